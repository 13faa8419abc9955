<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja">
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
        <translation>セッティング</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>ヘルプ</translation>
    </message>
    <message>
        <source>Open file</source>
        <translation>ファイルを開く</translation>
    </message>
    <message>
        <source>Image Saved</source>
        <translation>画像を保存しました</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>リセット</translation>
    </message>
    <message>
        <source>Remind</source>
        <translation>ヒント</translation>
    </message>
    <message>
        <source>Importing files, please wait...</source>
        <translation>ビデオファイルをインポートしています、少々お待ちくださ...</translation>
    </message>
    <message>
        <source>Delete all files?</source>
        <translation>全てのファイルを削除する？</translation>
    </message>
    <message>
        <source>YES</source>
        <translation>はい</translation>
    </message>
    <message>
        <source>NO</source>
        <translation>いえ</translation>
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
        <translation>設定</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>設定</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>言語</translation>
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
        <translation>速度単位</translation>
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
        <translation>地図</translation>
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
        <translation>再生モード</translation>
    </message>
    <message>
        <source>Single</source>
        <translation>1カメラモード</translation>
    </message>
    <message>
        <source>Dual</source>
        <translation>2カメラモード</translation>
    </message>
    <message>
        <source>3-Channel</source>
        <translation>3カメラモード</translation>
    </message>
    <message>
        <source>Note</source>
        <translation>※注意※</translation>
    </message>
    <message>
        <source>Note: Dual or 3-Channel play mode might cause computer run slow.</source>
        <translation>ご注意:パソコンのスペックによって、2カメラと3カメラが同時に再生する時、パソコンの運行が遅くなった場合があります。</translation>
    </message>
    <message>
        <source>File Path</source>
        <translation>キャプチャパス</translation>
    </message>
    <message>
        <source>Open file</source>
        <translation>ファイルを開く</translation>
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
        <translation>バージョン</translation>
    </message>
    <message>
        <source>1.0.0</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
