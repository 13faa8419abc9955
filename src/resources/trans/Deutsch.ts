<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>MainWindow</name>
    <message>
        <source>No video stream in %1</source>
        <translation>Kein Videostrom in %1</translation>
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
        <source>No File Selected</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>You haven&apos;t selected a file to remove.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file list could not be saved (%1). It is kept until the next save succeeds.</source>
        <translation>Die Dateiliste konnte nicht gespeichert werden (%1). Sie bleibt erhalten, bis das nächste Speichern gelingt.</translation>
    </message>
    <message>
        <source>Play or pause (Space)</source>
        <translation>Wiedergabe oder Pause (Leertaste)</translation>
    </message>
    <message>
        <source>Back to the start</source>
        <translation>Zurück zum Anfang</translation>
    </message>
    <message>
        <source>One frame back (,)</source>
        <translation>Ein Bild zurück (,)</translation>
    </message>
    <message>
        <source>One frame forward (.)</source>
        <translation>Ein Bild vor (.)</translation>
    </message>
    <message>
        <source>Previous file</source>
        <translation>Vorherige Datei</translation>
    </message>
    <message>
        <source>Next file</source>
        <translation>Nächste Datei</translation>
    </message>
    <message>
        <source>Mute or unmute (M)</source>
        <translation>Ton aus oder ein (M)</translation>
    </message>
    <message>
        <source>Volume (Up and Down keys)</source>
        <translation>Lautstärke (Pfeiltasten auf und ab)</translation>
    </message>
    <message>
        <source>Position: Left and Right seek 5 s, with Shift 1 s, with Ctrl 60 s</source>
        <translation>Position: Pfeiltasten links und rechts springen 5 s, mit Umschalt 1 s, mit Strg 60 s</translation>
    </message>
    <message>
        <source>Save a picture of every channel</source>
        <translation>Ein Bild jedes Kanals speichern</translation>
    </message>
    <message>
        <source>Brightness, contrast and saturation</source>
        <translation>Helligkeit, Kontrast und Sättigung</translation>
    </message>
    <message>
        <source>Switch the channel view</source>
        <translation>Kanalansicht wechseln</translation>
    </message>
    <message>
        <source>Zoom out</source>
        <translation>Verkleinern</translation>
    </message>
    <message>
        <source>Zoom in</source>
        <translation>Vergrößern</translation>
    </message>
    <message>
        <source>Full screen (F, or a double click on the picture; Esc leaves)</source>
        <translation>Vollbild (F oder Doppelklick auf das Bild; Esc beendet)</translation>
    </message>
    <message>
        <source>Information about the recording (I)</source>
        <translation>Informationen zur Aufnahme (I)</translation>
    </message>
    <message>
        <source>Add files</source>
        <translation>Dateien hinzufügen</translation>
    </message>
    <message>
        <source>Remove all files from the list</source>
        <translation>Alle Dateien aus der Liste entfernen</translation>
    </message>
    <message>
        <source>Sort by name</source>
        <translation>Nach Namen sortieren</translation>
    </message>
    <message>
        <source>Double click to play; Delete removes the selected file from the list</source>
        <translation>Doppelklick spielt ab; Entf entfernt die gewählte Datei aus der Liste</translation>
    </message>
    <message>
        <source>Left at %1 last time: press R to continue there.</source>
        <translation>Zuletzt bei %1 verlassen: R drücken, um dort weiterzumachen.</translation>
    </message>
    <message>
        <source>Previous recording</source>
        <translation>Vorherige Aufnahme</translation>
    </message>
    <message>
        <source>Next recording</source>
        <translation>Nächste Aufnahme</translation>
    </message>
    <message>
        <source>Position: Left and Right seek 5 s, with Shift 1 s, with Ctrl 60 s; [ and ] jump to the previous and next G-sensor event</source>
        <translation>Position: Links und Rechts springen 5 s, mit Umschalt 1 s, mit Strg 60 s; [ und ] springen zum vorigen und nächsten G-Sensor-Ereignis</translation>
    </message>
    <message>
        <source>Export the route or an incident clip (E, I, O)</source>
        <translation>Route oder Vorfall-Clip exportieren (E, I, O)</translation>
    </message>
    <message>
        <source>Information about the recording (Shift+I)</source>
        <translation>Informationen zur Aufnahme (Umschalt+I)</translation>
    </message>
    <message>
        <source>Follow the car</source>
        <translation>Dem Auto folgen</translation>
    </message>
    <message>
        <source>The map tiles chosen could not be read; the online map is shown.</source>
        <translation>Die gewählten Kartenkacheln konnten nicht gelesen werden; die Online-Karte wird gezeigt.</translation>
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
    <message>
        <source>Choose the folder for captured pictures</source>
        <translation>Ordner für aufgenommene Bilder wählen</translation>
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
        <translation>Helligkeit</translation>
    </message>
    <message>
        <source>Saturation</source>
        <translation>Sättigung</translation>
    </message>
    <message>
        <source>Contrast</source>
        <translation>Kontrast</translation>
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
        <translation>Copyright © Dravonix. Alle Rechte vorbehalten.</translation>
    </message>
    <message>
        <source>Open the help page</source>
        <translation>Hilfeseite öffnen</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Keys</source>
        <translation>Tasten</translation>
    </message>
    <message>
        <source>The help page is not installed.</source>
        <translation>Die Hilfeseite ist nicht installiert.</translation>
    </message>
    <message>
        <source>No web browser opened the help page. It is at:
%1</source>
        <translation>Kein Webbrowser hat die Hilfeseite geöffnet. Sie liegt unter:
%1</translation>
    </message>
</context>
<context>
    <name>VideoLibrary</name>
    <message>
        <source>Open file</source>
        <translation>Datei öffnen</translation>
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
        <source>YES</source>
        <translation>Ja</translation>
    </message>
    <message>
        <source>NO</source>
        <translation>Nein</translation>
    </message>
    <message>
        <source>(*.mp4 *.m3u8 *.ts *.mov *.m4a)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove %1 from the list?</source>
        <translation>%1 aus der Liste entfernen?</translation>
    </message>
    <message>
        <source>Remove all recordings from the list? The files stay on disk.</source>
        <translation>Alle Aufnahmen aus der Liste entfernen? Die Dateien bleiben auf dem Datenträger.</translation>
    </message>
    <message>
        <source>Folders cannot be added yet; add the recordings inside them instead:
%1</source>
        <translation>Ordner können noch nicht hinzugefügt werden; fügen Sie stattdessen die Aufnahmen darin hinzu:
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
        <translation>Diese Datei aus der Liste entfernen</translation>
    </message>
</context>
<context>
    <name>RouteExportDialog</name>
    <message>
        <source>Export route</source>
        <translation>Route exportieren</translation>
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
        <translation>CSV-Tabelle (*.csv)</translation>
    </message>
    <message>
        <source>There is no telemetry to export.</source>
        <translation>Es gibt keine Telemetrie zum Exportieren.</translation>
    </message>
    <message>
        <source>The recording has no GPS positions; only CSV can hold its G-sensor values.</source>
        <translation>Die Aufnahme hat keine GPS-Positionen; nur CSV kann ihre G-Sensor-Werte aufnehmen.</translation>
    </message>
    <message>
        <source>Route saved as %1</source>
        <translation>Route gespeichert als %1</translation>
    </message>
</context>
<context>
    <name>IncidentExportDialog</name>
    <message>
        <source>Export incident clip</source>
        <translation>Vorfall-Clip exportieren</translation>
    </message>
    <message>
        <source>Side by side</source>
        <translation>Nebeneinander</translation>
    </message>
    <message>
        <source>Grid</source>
        <translation>Raster</translation>
    </message>
    <message>
        <source>Browse...</source>
        <translation>Durchsuchen...</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Exportieren</translation>
    </message>
    <message>
        <source>Span:</source>
        <translation>Zeitraum:</translation>
    </message>
    <message>
        <source>Layout:</source>
        <translation>Anordnung:</translation>
    </message>
    <message>
        <source>Save as:</source>
        <translation>Speichern als:</translation>
    </message>
    <message>
        <source>%1 exists; the export will replace it.</source>
        <translation>%1 existiert; der Export ersetzt die Datei.</translation>
    </message>
    <message>
        <source>1 camera</source>
        <translation>1 Kamera</translation>
    </message>
    <message>
        <source>%1 cameras</source>
        <translation>%1 Kameras</translation>
    </message>
    <message>
        <source>%1 - %2 (%3), %4</source>
        <translation>%1 - %2 (%3), %4</translation>
    </message>
    <message>
        <source>Choose a file for the clip.</source>
        <translation>Wählen Sie eine Datei für den Clip.</translation>
    </message>
    <message>
        <source>Exporting...</source>
        <translation>Exportiere...</translation>
    </message>
    <message>
        <source>Saved %1 with its route %2 and manifest %3.</source>
        <translation>%1 mit Route %2 und Manifest %3 gespeichert.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Save incident clip</source>
        <translation>Vorfall-Clip speichern</translation>
    </message>
    <message>
        <source>MP4 video (*.mp4)</source>
        <translation>MP4-Video (*.mp4)</translation>
    </message>
</context>
<context>
    <name>DriveSettingsWidget</name>
    <message>
        <source>Drives</source>
        <translation>Fahrten</translation>
    </message>
    <message>
        <source>Continue with the next clip</source>
        <translation>Mit dem nächsten Clip fortfahren</translation>
    </message>
    <message>
        <source>Mark a G-sensor event from a change of</source>
        <translation>G-Sensor-Ereignis ab einer Änderung von</translation>
    </message>
    <message>
        <source>Map tiles</source>
        <translation>Kartenkacheln</translation>
    </message>
    <message>
        <source>Tile folder...</source>
        <translation>Kachelordner...</translation>
    </message>
    <message>
        <source>MBTiles file...</source>
        <translation>MBTiles-Datei...</translation>
    </message>
    <message>
        <source>Online</source>
        <translation>Online</translation>
    </message>
    <message>
        <source>OpenStreetMap (needs an internet connection)</source>
        <translation>OpenStreetMap (braucht eine Internetverbindung)</translation>
    </message>
    <message>
        <source>Folder of map tiles (z/x/y)</source>
        <translation>Ordner mit Kartenkacheln (z/x/y)</translation>
    </message>
    <message>
        <source>MBTiles file</source>
        <translation>MBTiles-Datei</translation>
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
        <translation>Route dieser Aufnahme exportieren...</translation>
    </message>
    <message>
        <source>Export the route of the whole drive... (E)</source>
        <translation>Route der ganzen Fahrt exportieren... (E)</translation>
    </message>
    <message>
        <source>Mark the start of an incident clip (I)</source>
        <translation>Anfang eines Vorfall-Clips markieren (I)</translation>
    </message>
    <message>
        <source>Mark the end of an incident clip (O)</source>
        <translation>Ende eines Vorfall-Clips markieren (O)</translation>
    </message>
    <message>
        <source>Incident clip of 15 s before and after now</source>
        <translation>Vorfall-Clip von 15 s vor bis 15 s nach jetzt</translation>
    </message>
    <message>
        <source>Export the incident clip...</source>
        <translation>Vorfall-Clip exportieren...</translation>
    </message>
    <message>
        <source>The drive's telemetry is still being read; try again in a moment.</source>
        <translation>Die Telemetrie der Fahrt wird noch gelesen; bitte gleich noch einmal versuchen.</translation>
    </message>
    <message>
        <source>Incident clip starts at %1</source>
        <translation>Vorfall-Clip beginnt bei %1</translation>
    </message>
    <message>
        <source>Incident clip ends at %1</source>
        <translation>Vorfall-Clip endet bei %1</translation>
    </message>
    <message>
        <source>Mark the start (I) or the end (O) of the incident first.</source>
        <translation>Zuerst den Anfang (I) oder das Ende (O) des Vorfalls markieren.</translation>
    </message>
</context>
<context>
    <name>IncidentClipJob</name>
    <message>
        <source>The clip to export is empty or malformed.</source>
        <translation>Der zu exportierende Clip ist leer oder fehlerhaft.</translation>
    </message>
    <message>
        <source>The ffmpeg program was not found; install ffmpeg to export clips.</source>
        <translation>Das Programm ffmpeg wurde nicht gefunden; zum Exportieren von Clips ffmpeg installieren.</translation>
    </message>
    <message>
        <source>The recording %1 is no longer there.</source>
        <translation>Die Aufnahme %1 ist nicht mehr vorhanden.</translation>
    </message>
    <message>
        <source>The ffmpeg program could not be started: %1</source>
        <translation>Das Programm ffmpeg konnte nicht gestartet werden: %1</translation>
    </message>
    <message>
        <source>The export was cancelled.</source>
        <translation>Der Export wurde abgebrochen.</translation>
    </message>
    <message>
        <source>The disk holding %1 is full; the clip was not written.</source>
        <translation>Der Datenträger von %1 ist voll; der Clip wurde nicht geschrieben.</translation>
    </message>
    <message>
        <source>ffmpeg could not make the clip: %1</source>
        <translation>ffmpeg konnte den Clip nicht erstellen: %1</translation>
    </message>
    <message>
        <source>The clip could not be written as %1.</source>
        <translation>Der Clip konnte nicht als %1 geschrieben werden.</translation>
    </message>
</context>
<context>
    <name>KeyHelp</name>
    <message>
        <source>Play or pause</source>
        <translation>Wiedergabe oder Pause</translation>
    </message>
    <message>
        <source>5 seconds back</source>
        <translation>5 Sekunden zurück</translation>
    </message>
    <message>
        <source>5 seconds forward</source>
        <translation>5 Sekunden vor</translation>
    </message>
    <message>
        <source>1 second back</source>
        <translation>1 Sekunde zurück</translation>
    </message>
    <message>
        <source>1 second forward</source>
        <translation>1 Sekunde vor</translation>
    </message>
    <message>
        <source>60 seconds back</source>
        <translation>60 Sekunden zurück</translation>
    </message>
    <message>
        <source>60 seconds forward</source>
        <translation>60 Sekunden vor</translation>
    </message>
    <message>
        <source>Volume up</source>
        <translation>Lauter</translation>
    </message>
    <message>
        <source>Volume down</source>
        <translation>Leiser</translation>
    </message>
    <message>
        <source>Mute or unmute</source>
        <translation>Ton aus oder ein</translation>
    </message>
    <message>
        <source>Full screen on or off</source>
        <translation>Vollbild ein oder aus</translation>
    </message>
    <message>
        <source>Leave full screen</source>
        <translation>Vollbild verlassen</translation>
    </message>
    <message>
        <source>One frame back</source>
        <translation>Ein Bild zurück</translation>
    </message>
    <message>
        <source>One frame forward</source>
        <translation>Ein Bild vor</translation>
    </message>
    <message>
        <source>Remove the selected file from the list</source>
        <translation>Die gewählte Datei aus der Liste entfernen</translation>
    </message>
    <message>
        <source>Information about the recording</source>
        <translation>Informationen zur Aufnahme</translation>
    </message>
    <message>
        <source>Continue where the recording was left last time</source>
        <translation>Dort weitermachen, wo die Aufnahme zuletzt verlassen wurde</translation>
    </message>
    <message>
        <source>Previous G-sensor event</source>
        <translation>Vorheriges G-Sensor-Ereignis</translation>
    </message>
    <message>
        <source>Next G-sensor event</source>
        <translation>Nächstes G-Sensor-Ereignis</translation>
    </message>
    <message>
        <source>Mark the start of an incident clip</source>
        <translation>Anfang eines Vorfall-Clips markieren</translation>
    </message>
    <message>
        <source>Mark the end of an incident clip</source>
        <translation>Ende eines Vorfall-Clips markieren</translation>
    </message>
    <message>
        <source>Export the route</source>
        <translation>Route exportieren</translation>
    </message>
</context>
<context>
    <name>WebMapWidget</name>
    <message>
        <source>Map tiles cannot be loaded. A local tile source can be chosen in the settings.</source>
        <translation>Kartenkacheln können nicht geladen werden. In den Einstellungen lässt sich eine lokale Kachelquelle wählen.</translation>
    </message>
</context>
<context>
    <name>DriveController</name>
    <message>
        <source>No events in this drive</source>
        <translation>Keine Ereignisse in dieser Fahrt</translation>
    </message>
</context>
</TS>
