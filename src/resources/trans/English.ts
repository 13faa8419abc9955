<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>MainWindow</name>
    <message>
        <source>MainWindow</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>00:00</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>40</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1X</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CPU Temperature:0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>X:0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Y:0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Z:0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>Open file</source>
        <translation>Open file</translation>
    </message>
    <message>
        <source>Image Saved</source>
        <translation>Image Saved</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>Remind</source>
        <translation>Remind</translation>
    </message>
    <message>
        <source>Importing files, please wait...</source>
        <translation>Importing files, please wait...</translation>
    </message>
    <message>
        <source>Delete all files?</source>
        <translation>Delete all files?</translation>
    </message>
    <message>
        <source>YES</source>
        <translation>YES</translation>
    </message>
    <message>
        <source>NO</source>
        <translation>NO</translation>
    </message>
    <message>
        <source>No File Selected</source>
        <translation>No File Selected</translation>
    </message>
    <message>
        <source>You haven&apos;t selected a file to remove.</source>
        <translation>You haven&apos;t selected a file to remove.</translation>
    </message>
    <message>
        <source>(*.mp4 *.m3u8 *.ts *.mov *.m4a)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SettingDialog</name>
    <message>
        <source>Dialog</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>English</source>
        <translation>English</translation>
    </message>
    <message>
        <source>Japanese</source>
        <translation>日本語</translation>
    </message>
    <message>
        <source>Deutsch</source>
        <translation>Deutsch</translation>
    </message>
    <message>
        <source>Russian</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Speed Unit</source>
        <translation>Speed Unit</translation>
    </message>
    <message>
        <source>KM/H</source>
        <translation>KM/H</translation>
    </message>
    <message>
        <source>MPH</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Map</source>
        <translation>Map</translation>
    </message>
    <message>
        <source>OpenStreamMap</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>GoogleMap</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Decode(Restart to take effect)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Hard Decoding</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Soft Decoding</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Play Mode</source>
        <translation>Play Mode</translation>
    </message>
    <message>
        <source>Single</source>
        <translation>Single</translation>
    </message>
    <message>
        <source>Dual</source>
        <translation>Dual</translation>
    </message>
    <message>
        <source>3-Channel</source>
        <translation>3-Channel</translation>
    </message>
    <message>
        <source>Note</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>Note: Dual or 3-Channel play mode might cause computer run slow.</source>
        <translation>Note: Dual or 3-Channel play mode might cause computer run slow.</translation>
    </message>
    <message>
        <source>File Path</source>
        <translation>File Path</translation>
    </message>
    <message>
        <source>Open file</source>
        <translation>Open file</translation>
    </message>
    <message>
        <source>...</source>
        <translation>...</translation>
    </message>
</context>
<context>
    <name>VideoAdjustWidget</name>
    <message>
        <source>Form</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>0</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>HelpWindowDialog</name>
    <message>
        <source>Dialog</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>1.0.0</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
