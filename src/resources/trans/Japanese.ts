<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja">
<context>
    <name>MainWindow</name>
    <message>
        <source>No video stream in %1</source>
        <translation>%1 には映像がありません</translation>
    </message>
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
        <source>No File Selected</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>You haven&apos;t selected a file to remove.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file list could not be saved (%1). It is kept until the next save succeeds.</source>
        <translation>ファイルリストを保存できませんでした（%1）。次の保存が成功するまで保持されます。</translation>
    </message>
    <message>
        <source>Play or pause (Space)</source>
        <translation>再生／一時停止（Space）</translation>
    </message>
    <message>
        <source>Back to the start</source>
        <translation>最初に戻る</translation>
    </message>
    <message>
        <source>One frame back (,)</source>
        <translation>1フレーム戻る（,）</translation>
    </message>
    <message>
        <source>One frame forward (.)</source>
        <translation>1フレーム進む（.）</translation>
    </message>
    <message>
        <source>Previous file</source>
        <translation>前のファイル</translation>
    </message>
    <message>
        <source>Next file</source>
        <translation>次のファイル</translation>
    </message>
    <message>
        <source>Mute or unmute (M)</source>
        <translation>ミュート／ミュート解除（M）</translation>
    </message>
    <message>
        <source>Volume (Up and Down keys)</source>
        <translation>音量（上下キー）</translation>
    </message>
    <message>
        <source>Position: Left and Right seek 5 s, with Shift 1 s, with Ctrl 60 s</source>
        <translation>再生位置：左右キーで5秒、Shiftで1秒、Ctrlで60秒移動</translation>
    </message>
    <message>
        <source>Save a picture of every channel</source>
        <translation>全チャンネルの画像を保存</translation>
    </message>
    <message>
        <source>Brightness, contrast and saturation</source>
        <translation>明るさ・コントラスト・彩度</translation>
    </message>
    <message>
        <source>Switch the channel view</source>
        <translation>チャンネル表示の切り替え</translation>
    </message>
    <message>
        <source>Zoom out</source>
        <translation>縮小</translation>
    </message>
    <message>
        <source>Zoom in</source>
        <translation>拡大</translation>
    </message>
    <message>
        <source>Full screen (F, or a double click on the picture; Esc leaves)</source>
        <translation>全画面（F または映像をダブルクリック、Esc で戻る）</translation>
    </message>
    <message>
        <source>Information about the recording (I)</source>
        <translation>録画の情報（I）</translation>
    </message>
    <message>
        <source>Add files</source>
        <translation>ファイルを追加</translation>
    </message>
    <message>
        <source>Remove all files from the list</source>
        <translation>リストから全ファイルを削除</translation>
    </message>
    <message>
        <source>Sort by name</source>
        <translation>名前で並べ替え</translation>
    </message>
    <message>
        <source>Double click to play; Delete removes the selected file from the list</source>
        <translation>ダブルクリックで再生、Delete で選択したファイルをリストから削除</translation>
    </message>
    <message>
        <source>Left at %1 last time: press R to continue there.</source>
        <translation>前回は %1 で止めました。R キーで続きから再生します。</translation>
    </message>
    <message>
        <source>Previous recording</source>
        <translation>前の録画</translation>
    </message>
    <message>
        <source>Next recording</source>
        <translation>次の録画</translation>
    </message>
    <message>
        <source>Position: Left and Right seek 5 s, with Shift 1 s, with Ctrl 60 s; [ and ] jump to the previous and next G-sensor event</source>
        <translation>再生位置: 左右キーで5秒、Shiftで1秒、Ctrlで60秒移動。[ と ] で前後のGセンサーイベントへ移動</translation>
    </message>
    <message>
        <source>Export the route or an incident clip (E, I, O)</source>
        <translation>ルートまたはインシデントクリップを書き出す (E, I, O)</translation>
    </message>
    <message>
        <source>Information about the recording (Shift+I)</source>
        <translation>録画の情報 (Shift+I)</translation>
    </message>
    <message>
        <source>Follow the car</source>
        <translation>車を追従</translation>
    </message>
    <message>
        <source>The map tiles chosen could not be read; the online map is shown.</source>
        <translation>選択した地図タイルを読み込めませんでした。オンライン地図を表示します。</translation>
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
    <message>
        <source>Choose the folder for captured pictures</source>
        <translation>キャプチャ画像の保存先フォルダを選択</translation>
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
    <message>
        <source>Brightness</source>
        <translation>明るさ</translation>
    </message>
    <message>
        <source>Saturation</source>
        <translation>彩度</translation>
    </message>
    <message>
        <source>Contrast</source>
        <translation>コントラスト</translation>
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
    <message>
        <source>Copyright © Dravonix. All rights reserved.</source>
        <translation>Copyright © Dravonix. 無断複写・転載を禁じます。</translation>
    </message>
    <message>
        <source>Open the help page</source>
        <translation>ヘルプページを開く</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>閉じる</translation>
    </message>
    <message>
        <source>Keys</source>
        <translation>キー操作</translation>
    </message>
    <message>
        <source>The help page is not installed.</source>
        <translation>ヘルプページがインストールされていません。</translation>
    </message>
    <message>
        <source>No web browser opened the help page. It is at:
%1</source>
        <translation>ヘルプページを開くウェブブラウザーがありません。ヘルプページの場所：
%1</translation>
    </message>
</context>
<context>
    <name>VideoLibrary</name>
    <message>
        <source>Open file</source>
        <translation>ファイルを開く</translation>
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
        <source>YES</source>
        <translation>はい</translation>
    </message>
    <message>
        <source>NO</source>
        <translation>いえ</translation>
    </message>
    <message>
        <source>(*.mp4 *.m3u8 *.ts *.mov *.m4a)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove %1 from the list?</source>
        <translation>%1 をリストから削除しますか？</translation>
    </message>
    <message>
        <source>Remove all recordings from the list? The files stay on disk.</source>
        <translation>すべての録画をリストから外しますか？ファイルはディスクに残ります。</translation>
    </message>
    <message>
        <source>Folders cannot be added yet; add the recordings inside them instead:
%1</source>
        <translation>フォルダーはまだ追加できません。フォルダー内の録画ファイルを追加してください：
%1</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>FileInfoWidget</name>
    <message>
        <source>Remove this file from the list</source>
        <translation>このファイルをリストから削除</translation>
    </message>
</context>
<context>
    <name>RouteExportDialog</name>
    <message>
        <source>Export route</source>
        <translation>ルートをエクスポート</translation>
    </message>
    <message>
        <source>GPX 1.1 (*.gpx)</source>
        <translation>GPX 1.1 (*.gpx)</translation>
    </message>
    <message>
        <source>KML 2.2 (*.kml)</source>
        <translation>KML 2.2 (*.kml)</translation>
    </message>
    <message>
        <source>CSV table (*.csv)</source>
        <translation>CSV表 (*.csv)</translation>
    </message>
    <message>
        <source>There is no telemetry to export.</source>
        <translation>エクスポートするテレメトリがありません。</translation>
    </message>
    <message>
        <source>The recording has no GPS positions; only CSV can hold its G-sensor values.</source>
        <translation>この録画にはGPS位置がありません。Gセンサーの値はCSVにのみ保存できます。</translation>
    </message>
    <message>
        <source>Route saved as %1</source>
        <translation>ルートを %1 に保存しました</translation>
    </message>
</context>
<context>
    <name>IncidentExportDialog</name>
    <message>
        <source>Export incident clip</source>
        <translation>事故クリップをエクスポート</translation>
    </message>
    <message>
        <source>Side by side</source>
        <translation>横に並べる</translation>
    </message>
    <message>
        <source>Grid</source>
        <translation>グリッド</translation>
    </message>
    <message>
        <source>Browse...</source>
        <translation>参照...</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>エクスポート</translation>
    </message>
    <message>
        <source>Span:</source>
        <translation>範囲:</translation>
    </message>
    <message>
        <source>Layout:</source>
        <translation>配置:</translation>
    </message>
    <message>
        <source>Save as:</source>
        <translation>保存先:</translation>
    </message>
    <message>
        <source>%1 exists; the export will replace it.</source>
        <translation>%1 は既に存在します。エクスポートで置き換えられます。</translation>
    </message>
    <message>
        <source>1 camera</source>
        <translation>カメラ1台</translation>
    </message>
    <message>
        <source>%1 cameras</source>
        <translation>カメラ%1台</translation>
    </message>
    <message>
        <source>%1 - %2 (%3), %4</source>
        <translation>%1 - %2 (%3)、%4</translation>
    </message>
    <message>
        <source>Choose a file for the clip.</source>
        <translation>クリップの保存先ファイルを選んでください。</translation>
    </message>
    <message>
        <source>Exporting...</source>
        <translation>エクスポート中...</translation>
    </message>
    <message>
        <source>Saved %1 with its route %2 and manifest %3.</source>
        <translation>%1 をルート %2 とマニフェスト %3 と共に保存しました。</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>閉じる</translation>
    </message>
    <message>
        <source>Save incident clip</source>
        <translation>事故クリップを保存</translation>
    </message>
    <message>
        <source>MP4 video (*.mp4)</source>
        <translation>MP4動画 (*.mp4)</translation>
    </message>
</context>
<context>
    <name>DriveSettingsWidget</name>
    <message>
        <source>Drives</source>
        <translation>ドライブ</translation>
    </message>
    <message>
        <source>Continue with the next clip</source>
        <translation>次のクリップに続けて再生</translation>
    </message>
    <message>
        <source>Mark a G-sensor event from a change of</source>
        <translation>Gセンサーイベントとみなす変化量</translation>
    </message>
    <message>
        <source>Map tiles</source>
        <translation>地図タイル</translation>
    </message>
    <message>
        <source>Tile folder...</source>
        <translation>タイルフォルダー...</translation>
    </message>
    <message>
        <source>MBTiles file...</source>
        <translation>MBTilesファイル...</translation>
    </message>
    <message>
        <source>Online</source>
        <translation>オンライン</translation>
    </message>
    <message>
        <source>OpenStreetMap (needs an internet connection)</source>
        <translation>OpenStreetMap (インターネット接続が必要)</translation>
    </message>
    <message>
        <source>Folder of map tiles (z/x/y)</source>
        <translation>地図タイルのフォルダー (z/x/y)</translation>
    </message>
    <message>
        <source>MBTiles file</source>
        <translation>MBTilesファイル</translation>
    </message>
    <message>
        <source>MBTiles (*.mbtiles)</source>
        <translation>MBTiles (*.mbtiles)</translation>
    </message>
    <message>
        <source>g</source>
        <translation>g</translation>
    </message>
</context>
<context>
    <name>ExportActions</name>
    <message>
        <source>Export the route of this recording...</source>
        <translation>この録画のルートを書き出す...</translation>
    </message>
    <message>
        <source>Export the route of the whole drive... (E)</source>
        <translation>ドライブ全体のルートを書き出す... (E)</translation>
    </message>
    <message>
        <source>Mark the start of an incident clip (I)</source>
        <translation>インシデントクリップの開始を指定 (I)</translation>
    </message>
    <message>
        <source>Mark the end of an incident clip (O)</source>
        <translation>インシデントクリップの終了を指定 (O)</translation>
    </message>
    <message>
        <source>Incident clip of 15 s before and after now</source>
        <translation>現在の前後15秒のインシデントクリップ</translation>
    </message>
    <message>
        <source>Export the incident clip...</source>
        <translation>インシデントクリップを書き出す...</translation>
    </message>
    <message>
        <source>The drive's telemetry is still being read; try again in a moment.</source>
        <translation>ドライブのテレメトリーを読み込み中です。しばらくしてからもう一度お試しください。</translation>
    </message>
    <message>
        <source>Incident clip starts at %1</source>
        <translation>インシデントクリップの開始: %1</translation>
    </message>
    <message>
        <source>Incident clip ends at %1</source>
        <translation>インシデントクリップの終了: %1</translation>
    </message>
    <message>
        <source>Mark the start (I) or the end (O) of the incident first.</source>
        <translation>先にインシデントの開始 (I) または終了 (O) を指定してください。</translation>
    </message>
</context>
<context>
    <name>IncidentClipJob</name>
    <message>
        <source>The clip to export is empty or malformed.</source>
        <translation>書き出すクリップが空か不正です。</translation>
    </message>
    <message>
        <source>The ffmpeg program was not found; install ffmpeg to export clips.</source>
        <translation>ffmpeg が見つかりません。クリップを書き出すには ffmpeg をインストールしてください。</translation>
    </message>
    <message>
        <source>The recording %1 is no longer there.</source>
        <translation>録画 %1 が見つかりません。</translation>
    </message>
    <message>
        <source>The ffmpeg program could not be started: %1</source>
        <translation>ffmpeg を起動できませんでした: %1</translation>
    </message>
    <message>
        <source>The export was cancelled.</source>
        <translation>書き出しは取り消されました。</translation>
    </message>
    <message>
        <source>The disk holding %1 is full; the clip was not written.</source>
        <translation>%1 のディスクがいっぱいです。クリップは書き出されませんでした。</translation>
    </message>
    <message>
        <source>ffmpeg could not make the clip: %1</source>
        <translation>ffmpeg でクリップを作成できませんでした: %1</translation>
    </message>
    <message>
        <source>The clip could not be written as %1.</source>
        <translation>クリップを %1 として書き出せませんでした。</translation>
    </message>
</context>
<context>
    <name>KeyHelp</name>
    <message>
        <source>Play or pause</source>
        <translation>再生／一時停止</translation>
    </message>
    <message>
        <source>5 seconds back</source>
        <translation>5秒戻る</translation>
    </message>
    <message>
        <source>5 seconds forward</source>
        <translation>5秒進む</translation>
    </message>
    <message>
        <source>1 second back</source>
        <translation>1秒戻る</translation>
    </message>
    <message>
        <source>1 second forward</source>
        <translation>1秒進む</translation>
    </message>
    <message>
        <source>60 seconds back</source>
        <translation>60秒戻る</translation>
    </message>
    <message>
        <source>60 seconds forward</source>
        <translation>60秒進む</translation>
    </message>
    <message>
        <source>Volume up</source>
        <translation>音量を上げる</translation>
    </message>
    <message>
        <source>Volume down</source>
        <translation>音量を下げる</translation>
    </message>
    <message>
        <source>Mute or unmute</source>
        <translation>ミュート／ミュート解除</translation>
    </message>
    <message>
        <source>Full screen on or off</source>
        <translation>全画面表示の切り替え</translation>
    </message>
    <message>
        <source>Leave full screen</source>
        <translation>全画面表示を終了</translation>
    </message>
    <message>
        <source>One frame back</source>
        <translation>1フレーム戻る</translation>
    </message>
    <message>
        <source>One frame forward</source>
        <translation>1フレーム進む</translation>
    </message>
    <message>
        <source>Remove the selected file from the list</source>
        <translation>選択したファイルをリストから削除</translation>
    </message>
    <message>
        <source>Information about the recording</source>
        <translation>録画の情報</translation>
    </message>
    <message>
        <source>Continue where the recording was left last time</source>
        <translation>前回止めた位置から再生を続ける</translation>
    </message>
    <message>
        <source>Previous G-sensor event</source>
        <translation>前のGセンサーイベント</translation>
    </message>
    <message>
        <source>Next G-sensor event</source>
        <translation>次のGセンサーイベント</translation>
    </message>
    <message>
        <source>Mark the start of an incident clip</source>
        <translation>インシデントクリップの開始を指定</translation>
    </message>
    <message>
        <source>Mark the end of an incident clip</source>
        <translation>インシデントクリップの終了を指定</translation>
    </message>
    <message>
        <source>Export the route</source>
        <translation>ルートをエクスポート</translation>
    </message>
</context>
<context>
    <name>WebMapWidget</name>
    <message>
        <source>Map tiles cannot be loaded. A local tile source can be chosen in the settings.</source>
        <translation>地図タイルを読み込めません。設定でローカルのタイルを選択できます。</translation>
    </message>
</context>
<context>
    <name>DriveController</name>
    <message>
        <source>No events in this drive</source>
        <translation>このドライブにはイベントがありません</translation>
    </message>
</context>
</TS>
