<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>MainWindow</name>
    <message>
        <source>No video stream in %1</source>
        <translation>No video stream in %1</translation>
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
        <source>No File Selected</source>
        <translation>No File Selected</translation>
    </message>
    <message>
        <source>You haven&apos;t selected a file to remove.</source>
        <translation>You haven&apos;t selected a file to remove.</translation>
    </message>
    <message>
        <source>The file list could not be saved (%1). It is kept until the next save succeeds.</source>
        <translation>The file list could not be saved (%1). It is kept until the next save succeeds.</translation>
    </message>
    <message>
        <source>Play or pause (Space)</source>
        <translation>Play or pause (Space)</translation>
    </message>
    <message>
        <source>Back to the start</source>
        <translation>Back to the start</translation>
    </message>
    <message>
        <source>One frame back (,)</source>
        <translation>One frame back (,)</translation>
    </message>
    <message>
        <source>One frame forward (.)</source>
        <translation>One frame forward (.)</translation>
    </message>
    <message>
        <source>Previous file</source>
        <translation>Previous file</translation>
    </message>
    <message>
        <source>Next file</source>
        <translation>Next file</translation>
    </message>
    <message>
        <source>Mute or unmute (M)</source>
        <translation>Mute or unmute (M)</translation>
    </message>
    <message>
        <source>Volume (Up and Down keys)</source>
        <translation>Volume (Up and Down keys)</translation>
    </message>
    <message>
        <source>Position: Left and Right seek 5 s, with Shift 1 s, with Ctrl 60 s</source>
        <translation>Position: Left and Right seek 5 s, with Shift 1 s, with Ctrl 60 s</translation>
    </message>
    <message>
        <source>Save a picture of every channel</source>
        <translation>Save a picture of every channel</translation>
    </message>
    <message>
        <source>Brightness, contrast and saturation</source>
        <translation>Brightness, contrast and saturation</translation>
    </message>
    <message>
        <source>Switch the channel view</source>
        <translation>Switch the channel view</translation>
    </message>
    <message>
        <source>Zoom out</source>
        <translation>Zoom out</translation>
    </message>
    <message>
        <source>Zoom in</source>
        <translation>Zoom in</translation>
    </message>
    <message>
        <source>Full screen (F, or a double click on the picture; Esc leaves)</source>
        <translation>Full screen (F, or a double click on the picture; Esc leaves)</translation>
    </message>
    <message>
        <source>Information about the recording (I)</source>
        <translation>Information about the recording (I)</translation>
    </message>
    <message>
        <source>Add files</source>
        <translation>Add files</translation>
    </message>
    <message>
        <source>Remove all files from the list</source>
        <translation>Remove all files from the list</translation>
    </message>
    <message>
        <source>Sort by name</source>
        <translation>Sort by name</translation>
    </message>
    <message>
        <source>Double click to play; Delete removes the selected file from the list</source>
        <translation>Double click to play; Delete removes the selected file from the list</translation>
    </message>
    <message>
        <source>Left at %1 last time: press R to continue there.</source>
        <translation>Left at %1 last time: press R to continue there.</translation>
    </message>
    <message>
        <source>Previous recording</source>
        <translation>Previous recording</translation>
    </message>
    <message>
        <source>Next recording</source>
        <translation>Next recording</translation>
    </message>
    <message>
        <source>Position: Left and Right seek 5 s, with Shift 1 s, with Ctrl 60 s; [ and ] jump to the previous and next G-sensor event</source>
        <translation>Position: Left and Right seek 5 s, with Shift 1 s, with Ctrl 60 s; [ and ] jump to the previous and next G-sensor event</translation>
    </message>
    <message>
        <source>Export the route or an incident clip (E, I, O)</source>
        <translation>Export the route or an incident clip (E, I, O)</translation>
    </message>
    <message>
        <source>Information about the recording (Shift+I)</source>
        <translation>Information about the recording (Shift+I)</translation>
    </message>
    <message>
        <source>Follow the car</source>
        <translation>Follow the car</translation>
    </message>
    <message>
        <source>The map tiles chosen could not be read; the online map is shown.</source>
        <translation>The map tiles chosen could not be read; the online map is shown.</translation>
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
    <message>
        <source>Choose the folder for captured pictures</source>
        <translation>Choose the folder for captured pictures</translation>
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
        <translation>Brightness</translation>
    </message>
    <message>
        <source>Saturation</source>
        <translation>Saturation</translation>
    </message>
    <message>
        <source>Contrast</source>
        <translation>Contrast</translation>
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
    <message>
        <source>Copyright © Dravonix. All rights reserved.</source>
        <translation>Copyright © Dravonix. All rights reserved.</translation>
    </message>
    <message>
        <source>Open the help page</source>
        <translation>Open the help page</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Keys</source>
        <translation>Keys</translation>
    </message>
    <message>
        <source>The help page is not installed.</source>
        <translation>The help page is not installed.</translation>
    </message>
    <message>
        <source>No web browser opened the help page. It is at:
%1</source>
        <translation>No web browser opened the help page. It is at:
%1</translation>
    </message>
</context>
<context>
    <name>VideoLibrary</name>
    <message>
        <source>Open file</source>
        <translation>Open file</translation>
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
        <source>YES</source>
        <translation>YES</translation>
    </message>
    <message>
        <source>NO</source>
        <translation>NO</translation>
    </message>
    <message>
        <source>(*.mp4 *.m3u8 *.ts *.mov *.m4a)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove %1 from the list?</source>
        <translation>Remove %1 from the list?</translation>
    </message>
    <message>
        <source>Remove all recordings from the list? The files stay on disk.</source>
        <translation>Remove all recordings from the list? The files stay on disk.</translation>
    </message>
    <message>
        <source>Folders cannot be added yet; add the recordings inside them instead:
%1</source>
        <translation>Folders cannot be added yet; add the recordings inside them instead:
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
        <translation>Remove this file from the list</translation>
    </message>
</context>
<context>
    <name>RouteExportDialog</name>
    <message>
        <source>Export route</source>
        <translation>Export route</translation>
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
        <translation>CSV table (*.csv)</translation>
    </message>
    <message>
        <source>There is no telemetry to export.</source>
        <translation>There is no telemetry to export.</translation>
    </message>
    <message>
        <source>The recording has no GPS positions; only CSV can hold its G-sensor values.</source>
        <translation>The recording has no GPS positions; only CSV can hold its G-sensor values.</translation>
    </message>
    <message>
        <source>Route saved as %1</source>
        <translation>Route saved as %1</translation>
    </message>
</context>
<context>
    <name>IncidentExportDialog</name>
    <message>
        <source>Export incident clip</source>
        <translation>Export incident clip</translation>
    </message>
    <message>
        <source>Side by side</source>
        <translation>Side by side</translation>
    </message>
    <message>
        <source>Grid</source>
        <translation>Grid</translation>
    </message>
    <message>
        <source>Browse...</source>
        <translation>Browse...</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>Span:</source>
        <translation>Span:</translation>
    </message>
    <message>
        <source>Layout:</source>
        <translation>Layout:</translation>
    </message>
    <message>
        <source>Save as:</source>
        <translation>Save as:</translation>
    </message>
    <message>
        <source>%1 exists; the export will replace it.</source>
        <translation>%1 exists; the export will replace it.</translation>
    </message>
    <message>
        <source>1 camera</source>
        <translation>1 camera</translation>
    </message>
    <message>
        <source>%1 cameras</source>
        <translation>%1 cameras</translation>
    </message>
    <message>
        <source>%1 - %2 (%3), %4</source>
        <translation>%1 - %2 (%3), %4</translation>
    </message>
    <message>
        <source>Choose a file for the clip.</source>
        <translation>Choose a file for the clip.</translation>
    </message>
    <message>
        <source>Exporting...</source>
        <translation>Exporting...</translation>
    </message>
    <message>
        <source>Saved %1 with its route %2 and manifest %3.</source>
        <translation>Saved %1 with its route %2 and manifest %3.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Save incident clip</source>
        <translation>Save incident clip</translation>
    </message>
    <message>
        <source>MP4 video (*.mp4)</source>
        <translation>MP4 video (*.mp4)</translation>
    </message>
</context>
<context>
    <name>DriveSettingsWidget</name>
    <message>
        <source>Drives</source>
        <translation>Drives</translation>
    </message>
    <message>
        <source>Continue with the next clip</source>
        <translation>Continue with the next clip</translation>
    </message>
    <message>
        <source>Mark a G-sensor event from a change of</source>
        <translation>Mark a G-sensor event from a change of</translation>
    </message>
    <message>
        <source>Map tiles</source>
        <translation>Map tiles</translation>
    </message>
    <message>
        <source>Tile folder...</source>
        <translation>Tile folder...</translation>
    </message>
    <message>
        <source>MBTiles file...</source>
        <translation>MBTiles file...</translation>
    </message>
    <message>
        <source>Online</source>
        <translation>Online</translation>
    </message>
    <message>
        <source>OpenStreetMap (needs an internet connection)</source>
        <translation>OpenStreetMap (needs an internet connection)</translation>
    </message>
    <message>
        <source>Folder of map tiles (z/x/y)</source>
        <translation>Folder of map tiles (z/x/y)</translation>
    </message>
    <message>
        <source>MBTiles file</source>
        <translation>MBTiles file</translation>
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
        <translation>Export the route of this recording...</translation>
    </message>
    <message>
        <source>Export the route of the whole drive... (E)</source>
        <translation>Export the route of the whole drive... (E)</translation>
    </message>
    <message>
        <source>Mark the start of an incident clip (I)</source>
        <translation>Mark the start of an incident clip (I)</translation>
    </message>
    <message>
        <source>Mark the end of an incident clip (O)</source>
        <translation>Mark the end of an incident clip (O)</translation>
    </message>
    <message>
        <source>Incident clip of 15 s before and after now</source>
        <translation>Incident clip of 15 s before and after now</translation>
    </message>
    <message>
        <source>Export the incident clip...</source>
        <translation>Export the incident clip...</translation>
    </message>
    <message>
        <source>The drive's telemetry is still being read; try again in a moment.</source>
        <translation>The drive's telemetry is still being read; try again in a moment.</translation>
    </message>
    <message>
        <source>Incident clip starts at %1</source>
        <translation>Incident clip starts at %1</translation>
    </message>
    <message>
        <source>Incident clip ends at %1</source>
        <translation>Incident clip ends at %1</translation>
    </message>
    <message>
        <source>Mark the start (I) or the end (O) of the incident first.</source>
        <translation>Mark the start (I) or the end (O) of the incident first.</translation>
    </message>
</context>
<context>
    <name>IncidentClipJob</name>
    <message>
        <source>The clip to export is empty or malformed.</source>
        <translation>The clip to export is empty or malformed.</translation>
    </message>
    <message>
        <source>The ffmpeg program was not found; install ffmpeg to export clips.</source>
        <translation>The ffmpeg program was not found; install ffmpeg to export clips.</translation>
    </message>
    <message>
        <source>The recording %1 is no longer there.</source>
        <translation>The recording %1 is no longer there.</translation>
    </message>
    <message>
        <source>The ffmpeg program could not be started: %1</source>
        <translation>The ffmpeg program could not be started: %1</translation>
    </message>
    <message>
        <source>The export was cancelled.</source>
        <translation>The export was cancelled.</translation>
    </message>
    <message>
        <source>The disk holding %1 is full; the clip was not written.</source>
        <translation>The disk holding %1 is full; the clip was not written.</translation>
    </message>
    <message>
        <source>ffmpeg could not make the clip: %1</source>
        <translation>ffmpeg could not make the clip: %1</translation>
    </message>
    <message>
        <source>The clip could not be written as %1.</source>
        <translation>The clip could not be written as %1.</translation>
    </message>
</context>
<context>
    <name>KeyHelp</name>
    <message>
        <source>Play or pause</source>
        <translation>Play or pause</translation>
    </message>
    <message>
        <source>5 seconds back</source>
        <translation>5 seconds back</translation>
    </message>
    <message>
        <source>5 seconds forward</source>
        <translation>5 seconds forward</translation>
    </message>
    <message>
        <source>1 second back</source>
        <translation>1 second back</translation>
    </message>
    <message>
        <source>1 second forward</source>
        <translation>1 second forward</translation>
    </message>
    <message>
        <source>60 seconds back</source>
        <translation>60 seconds back</translation>
    </message>
    <message>
        <source>60 seconds forward</source>
        <translation>60 seconds forward</translation>
    </message>
    <message>
        <source>Volume up</source>
        <translation>Volume up</translation>
    </message>
    <message>
        <source>Volume down</source>
        <translation>Volume down</translation>
    </message>
    <message>
        <source>Mute or unmute</source>
        <translation>Mute or unmute</translation>
    </message>
    <message>
        <source>Full screen on or off</source>
        <translation>Full screen on or off</translation>
    </message>
    <message>
        <source>Leave full screen</source>
        <translation>Leave full screen</translation>
    </message>
    <message>
        <source>One frame back</source>
        <translation>One frame back</translation>
    </message>
    <message>
        <source>One frame forward</source>
        <translation>One frame forward</translation>
    </message>
    <message>
        <source>Remove the selected file from the list</source>
        <translation>Remove the selected file from the list</translation>
    </message>
    <message>
        <source>Information about the recording</source>
        <translation>Information about the recording</translation>
    </message>
    <message>
        <source>Continue where the recording was left last time</source>
        <translation>Continue where the recording was left last time</translation>
    </message>
    <message>
        <source>Previous G-sensor event</source>
        <translation>Previous G-sensor event</translation>
    </message>
    <message>
        <source>Next G-sensor event</source>
        <translation>Next G-sensor event</translation>
    </message>
    <message>
        <source>Mark the start of an incident clip</source>
        <translation>Mark the start of an incident clip</translation>
    </message>
    <message>
        <source>Mark the end of an incident clip</source>
        <translation>Mark the end of an incident clip</translation>
    </message>
    <message>
        <source>Export the route</source>
        <translation>Export the route</translation>
    </message>
</context>
<context>
    <name>WebMapWidget</name>
    <message>
        <source>Map tiles cannot be loaded. A local tile source can be chosen in the settings.</source>
        <translation>Map tiles cannot be loaded. A local tile source can be chosen in the settings.</translation>
    </message>
</context>
<context>
    <name>DriveController</name>
    <message>
        <source>No events in this drive</source>
        <translation>No events in this drive</translation>
    </message>
</context>
</TS>
