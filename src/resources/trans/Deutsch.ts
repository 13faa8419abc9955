<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
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
        <translation>die Einstellungen</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>Open file</source>
        <translation>Datei öffnen</translation>
    </message>
    <message>
        <source>Image Saved</source>
        <translation>Bild gespeichert</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>Remind</source>
        <translation>Hinweis</translation>
    </message>
    <message>
        <source>Importing files, please wait...</source>
        <translation>Bitte warten Sie beim Importieren von Videodateien...</translation>
    </message>
    <message>
        <source>Delete all files?</source>
        <translation>Löschen Sie alle Dateien?</translation>
    </message>
    <message>
        <source>YES</source>
        <translation>Ja</translation>
    </message>
    <message>
        <source>NO</source>
        <translation>Nein</translation>
    </message>
    <message>
        <source>No File Selected</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>You haven&apos;t selected a file to remove.</source>
        <translation type="unfinished"></translation>
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
        <translation>die Einstellungen</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>die Einstellungen</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Sprache</translation>
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
        <translation>Geschwindigkeitseinheit</translation>
    </message>
    <message>
        <source>KM/H</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>MPH</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Map</source>
        <translation>Karte</translation>
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
        <translation>Wiedergabemodus</translation>
    </message>
    <message>
        <source>Single</source>
        <translation>Single Kanal</translation>
    </message>
    <message>
        <source>Dual</source>
        <translation>Dual Kanäle</translation>
    </message>
    <message>
        <source>3-Channel</source>
        <translation>Drei Kanäle</translation>
    </message>
    <message>
        <source>Note</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>Note: Dual or 3-Channel play mode might cause computer run slow.</source>
        <translation>Hinweis: Der Dual- oder Drei-Kanal Modus kann dazu führen, dass der Computer langsam läuft. Hängt hauptsächlich von der Computerkonfiguration ab.</translation>
    </message>
    <message>
        <source>File Path</source>
        <translation>Erfassungspfad</translation>
    </message>
    <message>
        <source>Open file</source>
        <translation>Datei öffnen</translation>
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
