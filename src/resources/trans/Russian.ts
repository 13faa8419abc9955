<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru">
<context>
    <name>MainWindow</name>
    <message>
        <source>No video stream in %1</source>
        <translation>В %1 нет видеопотока</translation>
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
        <translation>Настройки</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Помощь</translation>
    </message>
    <message>
        <source>Open file</source>
        <translation>Открыть файл</translation>
    </message>
    <message>
        <source>Image Saved</source>
        <translation>Изображение сохранено</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Сброс</translation>
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
        <translation>Не удалось сохранить список файлов (%1). Он сохранится при следующей удачной записи.</translation>
    </message>
    <message>
        <source>Play or pause (Space)</source>
        <translation>Воспроизведение или пауза (Пробел)</translation>
    </message>
    <message>
        <source>Back to the start</source>
        <translation>В начало</translation>
    </message>
    <message>
        <source>One frame back (,)</source>
        <translation>На кадр назад (,)</translation>
    </message>
    <message>
        <source>One frame forward (.)</source>
        <translation>На кадр вперёд (.)</translation>
    </message>
    <message>
        <source>Previous file</source>
        <translation>Предыдущий файл</translation>
    </message>
    <message>
        <source>Next file</source>
        <translation>Следующий файл</translation>
    </message>
    <message>
        <source>Mute or unmute (M)</source>
        <translation>Выключить или включить звук (M)</translation>
    </message>
    <message>
        <source>Volume (Up and Down keys)</source>
        <translation>Громкость (клавиши вверх и вниз)</translation>
    </message>
    <message>
        <source>Position: Left and Right seek 5 s, with Shift 1 s, with Ctrl 60 s</source>
        <translation>Позиция: стрелки влево и вправо — 5 с, с Shift — 1 с, с Ctrl — 60 с</translation>
    </message>
    <message>
        <source>Save a picture of every channel</source>
        <translation>Сохранить снимок каждого канала</translation>
    </message>
    <message>
        <source>Brightness, contrast and saturation</source>
        <translation>Яркость, контраст и насыщенность</translation>
    </message>
    <message>
        <source>Switch the channel view</source>
        <translation>Переключить вид каналов</translation>
    </message>
    <message>
        <source>Zoom out</source>
        <translation>Уменьшить</translation>
    </message>
    <message>
        <source>Zoom in</source>
        <translation>Увеличить</translation>
    </message>
    <message>
        <source>Full screen (F, or a double click on the picture; Esc leaves)</source>
        <translation>Полный экран (F или двойной щелчок по изображению; Esc — выход)</translation>
    </message>
    <message>
        <source>Information about the recording (I)</source>
        <translation>Сведения о записи (I)</translation>
    </message>
    <message>
        <source>Add files</source>
        <translation>Добавить файлы</translation>
    </message>
    <message>
        <source>Remove all files from the list</source>
        <translation>Удалить все файлы из списка</translation>
    </message>
    <message>
        <source>Sort by name</source>
        <translation>Сортировать по имени</translation>
    </message>
    <message>
        <source>Double click to play; Delete removes the selected file from the list</source>
        <translation>Двойной щелчок — воспроизвести; Delete — удалить выбранный файл из списка</translation>
    </message>
    <message>
        <source>Left at %1 last time: press R to continue there.</source>
        <translation>В прошлый раз остановлено на %1: нажмите R, чтобы продолжить.</translation>
    </message>
    <message>
        <source>Previous recording</source>
        <translation>Предыдущая запись</translation>
    </message>
    <message>
        <source>Next recording</source>
        <translation>Следующая запись</translation>
    </message>
    <message>
        <source>Position: Left and Right seek 5 s, with Shift 1 s, with Ctrl 60 s; [ and ] jump to the previous and next G-sensor event</source>
        <translation>Позиция: влево и вправо на 5 с, с Shift на 1 с, с Ctrl на 60 с; [ и ] к предыдущему и следующему событию G-датчика</translation>
    </message>
    <message>
        <source>Export the route or an incident clip (E, I, O)</source>
        <translation>Экспорт маршрута или фрагмента происшествия (E, I, O)</translation>
    </message>
    <message>
        <source>Information about the recording (Shift+I)</source>
        <translation>Сведения о записи (Shift+I)</translation>
    </message>
    <message>
        <source>Follow the car</source>
        <translation>Следовать за машиной</translation>
    </message>
    <message>
        <source>The map tiles chosen could not be read; the online map is shown.</source>
        <translation>Не удалось прочитать выбранные фрагменты карты; показана онлайн-карта.</translation>
    </message>
</context>
<context>
    <name>SettingDialog</name>
    <message>
        <source>Dialog</source>
        <translation>Настройки</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Настройки</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Язык</translation>
    </message>
    <message>
        <source>English</source>
        <translation>Английский</translation>
    </message>
    <message>
        <source>Japanese</source>
        <translation>Японский</translation>
    </message>
    <message>
        <source>Deutsch</source>
        <translation>Deutsch</translation>
    </message>
    <message>
        <source>Russian</source>
        <translation>Русский</translation>
    </message>
    <message>
        <source>Speed Unit</source>
        <translation>Единица измерения</translation>
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
        <translation type="unfinished"></translation>
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
        <translation>Режим просмотра видео</translation>
    </message>
    <message>
        <source>Single</source>
        <translation>1 канал</translation>
    </message>
    <message>
        <source>Dual</source>
        <translation>2 канала</translation>
    </message>
    <message>
        <source>3-Channel</source>
        <translation>3 канала</translation>
    </message>
    <message>
        <source>Note</source>
        <translation>Примечание</translation>
    </message>
    <message>
        <source>Note: Dual or 3-Channel play mode might cause computer run slow.</source>
        <translation>Примечание. Двух- или трехканальный режим воспроизведения может замедлить работу компьютера.</translation>
    </message>
    <message>
        <source>File Path</source>
        <translation>Папка скриншотов</translation>
    </message>
    <message>
        <source>Open file</source>
        <translation>Открыть файл</translation>
    </message>
    <message>
        <source>...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose the folder for captured pictures</source>
        <translation>Выбрать папку для снимков</translation>
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
        <translation>Яркость</translation>
    </message>
    <message>
        <source>Saturation</source>
        <translation>Насыщенность</translation>
    </message>
    <message>
        <source>Contrast</source>
        <translation>Контраст</translation>
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
        <translation>Версия</translation>
    </message>
    <message>
        <source>1.0.0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copyright © Dravonix. All rights reserved.</source>
        <translation>Copyright © Dravonix. Все права защищены.</translation>
    </message>
    <message>
        <source>Open the help page</source>
        <translation>Открыть справку</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Закрыть</translation>
    </message>
    <message>
        <source>Keys</source>
        <translation>Клавиши</translation>
    </message>
    <message>
        <source>The help page is not installed.</source>
        <translation>Страница справки не установлена.</translation>
    </message>
    <message>
        <source>No web browser opened the help page. It is at:
%1</source>
        <translation>Ни один веб-браузер не открыл страницу справки. Она находится здесь:
%1</translation>
    </message>
</context>
<context>
    <name>VideoLibrary</name>
    <message>
        <source>Open file</source>
        <translation>Открыть файл</translation>
    </message>
    <message>
        <source>Remind</source>
        <translation>Внимание!</translation>
    </message>
    <message>
        <source>Importing files, please wait...</source>
        <translation>Импорт файлов, подождите ...</translation>
    </message>
    <message>
        <source>YES</source>
        <translation>ДА</translation>
    </message>
    <message>
        <source>NO</source>
        <translation>Нет</translation>
    </message>
    <message>
        <source>(*.mp4 *.m3u8 *.ts *.mov *.m4a)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove %1 from the list?</source>
        <translation>Удалить %1 из списка?</translation>
    </message>
    <message>
        <source>Remove all recordings from the list? The files stay on disk.</source>
        <translation>Убрать все записи из списка? Файлы останутся на диске.</translation>
    </message>
    <message>
        <source>Folders cannot be added yet; add the recordings inside them instead:
%1</source>
        <translation>Папки пока нельзя добавить; добавьте вместо них записи, которые в них лежат:
%1</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>ОК</translation>
    </message>
</context>
<context>
    <name>FileInfoWidget</name>
    <message>
        <source>Remove this file from the list</source>
        <translation>Удалить этот файл из списка</translation>
    </message>
</context>
<context>
    <name>RouteExportDialog</name>
    <message>
        <source>Export route</source>
        <translation>Экспорт маршрута</translation>
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
        <translation>Таблица CSV (*.csv)</translation>
    </message>
    <message>
        <source>There is no telemetry to export.</source>
        <translation>Нет телеметрии для экспорта.</translation>
    </message>
    <message>
        <source>The recording has no GPS positions; only CSV can hold its G-sensor values.</source>
        <translation>В записи нет GPS-координат; значения G-датчика можно сохранить только в CSV.</translation>
    </message>
    <message>
        <source>Route saved as %1</source>
        <translation>Маршрут сохранён как %1</translation>
    </message>
</context>
<context>
    <name>IncidentExportDialog</name>
    <message>
        <source>Export incident clip</source>
        <translation>Экспорт клипа происшествия</translation>
    </message>
    <message>
        <source>Side by side</source>
        <translation>Рядом</translation>
    </message>
    <message>
        <source>Grid</source>
        <translation>Сетка</translation>
    </message>
    <message>
        <source>Browse...</source>
        <translation>Обзор...</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Экспорт</translation>
    </message>
    <message>
        <source>Span:</source>
        <translation>Интервал:</translation>
    </message>
    <message>
        <source>Layout:</source>
        <translation>Расположение:</translation>
    </message>
    <message>
        <source>Save as:</source>
        <translation>Сохранить как:</translation>
    </message>
    <message>
        <source>%1 exists; the export will replace it.</source>
        <translation>%1 уже существует; экспорт заменит его.</translation>
    </message>
    <message>
        <source>1 camera</source>
        <translation>Камер: 1</translation>
    </message>
    <message>
        <source>%1 cameras</source>
        <translation>Камер: %1</translation>
    </message>
    <message>
        <source>%1 - %2 (%3), %4</source>
        <translation>%1 - %2 (%3), %4</translation>
    </message>
    <message>
        <source>Choose a file for the clip.</source>
        <translation>Выберите файл для клипа.</translation>
    </message>
    <message>
        <source>Exporting...</source>
        <translation>Экспорт...</translation>
    </message>
    <message>
        <source>Saved %1 with its route %2 and manifest %3.</source>
        <translation>%1 сохранён вместе с маршрутом %2 и манифестом %3.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Закрыть</translation>
    </message>
    <message>
        <source>Save incident clip</source>
        <translation>Сохранить клип происшествия</translation>
    </message>
    <message>
        <source>MP4 video (*.mp4)</source>
        <translation>Видео MP4 (*.mp4)</translation>
    </message>
</context>
<context>
    <name>DriveSettingsWidget</name>
    <message>
        <source>Drives</source>
        <translation>Поездки</translation>
    </message>
    <message>
        <source>Continue with the next clip</source>
        <translation>Продолжать следующим клипом</translation>
    </message>
    <message>
        <source>Mark a G-sensor event from a change of</source>
        <translation>Отмечать событие G-датчика от изменения</translation>
    </message>
    <message>
        <source>Map tiles</source>
        <translation>Фрагменты карты</translation>
    </message>
    <message>
        <source>Tile folder...</source>
        <translation>Папка фрагментов...</translation>
    </message>
    <message>
        <source>MBTiles file...</source>
        <translation>Файл MBTiles...</translation>
    </message>
    <message>
        <source>Online</source>
        <translation>Онлайн</translation>
    </message>
    <message>
        <source>OpenStreetMap (needs an internet connection)</source>
        <translation>OpenStreetMap (нужно подключение к интернету)</translation>
    </message>
    <message>
        <source>Folder of map tiles (z/x/y)</source>
        <translation>Папка фрагментов карты (z/x/y)</translation>
    </message>
    <message>
        <source>MBTiles file</source>
        <translation>Файл MBTiles</translation>
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
        <translation>Экспорт маршрута этой записи...</translation>
    </message>
    <message>
        <source>Export the route of the whole drive... (E)</source>
        <translation>Экспорт маршрута всей поездки... (E)</translation>
    </message>
    <message>
        <source>Mark the start of an incident clip (I)</source>
        <translation>Отметить начало фрагмента происшествия (I)</translation>
    </message>
    <message>
        <source>Mark the end of an incident clip (O)</source>
        <translation>Отметить конец фрагмента происшествия (O)</translation>
    </message>
    <message>
        <source>Incident clip of 15 s before and after now</source>
        <translation>Фрагмент происшествия: 15 с до и после текущего момента</translation>
    </message>
    <message>
        <source>Export the incident clip...</source>
        <translation>Экспорт фрагмента происшествия...</translation>
    </message>
    <message>
        <source>The drive's telemetry is still being read; try again in a moment.</source>
        <translation>Телеметрия поездки ещё читается; повторите чуть позже.</translation>
    </message>
    <message>
        <source>Incident clip starts at %1</source>
        <translation>Фрагмент происшествия начинается в %1</translation>
    </message>
    <message>
        <source>Incident clip ends at %1</source>
        <translation>Фрагмент происшествия заканчивается в %1</translation>
    </message>
    <message>
        <source>Mark the start (I) or the end (O) of the incident first.</source>
        <translation>Сначала отметьте начало (I) или конец (O) происшествия.</translation>
    </message>
</context>
<context>
    <name>IncidentClipJob</name>
    <message>
        <source>The clip to export is empty or malformed.</source>
        <translation>Экспортируемый фрагмент пуст или повреждён.</translation>
    </message>
    <message>
        <source>The ffmpeg program was not found; install ffmpeg to export clips.</source>
        <translation>Программа ffmpeg не найдена; установите ffmpeg для экспорта фрагментов.</translation>
    </message>
    <message>
        <source>The recording %1 is no longer there.</source>
        <translation>Записи %1 больше нет.</translation>
    </message>
    <message>
        <source>The ffmpeg program could not be started: %1</source>
        <translation>Не удалось запустить ffmpeg: %1</translation>
    </message>
    <message>
        <source>The export was cancelled.</source>
        <translation>Экспорт отменён.</translation>
    </message>
    <message>
        <source>The disk holding %1 is full; the clip was not written.</source>
        <translation>Диск, на котором находится %1, заполнен; фрагмент не записан.</translation>
    </message>
    <message>
        <source>ffmpeg could not make the clip: %1</source>
        <translation>ffmpeg не смог создать фрагмент: %1</translation>
    </message>
    <message>
        <source>The clip could not be written as %1.</source>
        <translation>Не удалось записать фрагмент как %1.</translation>
    </message>
</context>
<context>
    <name>KeyHelp</name>
    <message>
        <source>Play or pause</source>
        <translation>Воспроизведение или пауза</translation>
    </message>
    <message>
        <source>5 seconds back</source>
        <translation>На 5 секунд назад</translation>
    </message>
    <message>
        <source>5 seconds forward</source>
        <translation>На 5 секунд вперёд</translation>
    </message>
    <message>
        <source>1 second back</source>
        <translation>На 1 секунду назад</translation>
    </message>
    <message>
        <source>1 second forward</source>
        <translation>На 1 секунду вперёд</translation>
    </message>
    <message>
        <source>60 seconds back</source>
        <translation>На 60 секунд назад</translation>
    </message>
    <message>
        <source>60 seconds forward</source>
        <translation>На 60 секунд вперёд</translation>
    </message>
    <message>
        <source>Volume up</source>
        <translation>Громче</translation>
    </message>
    <message>
        <source>Volume down</source>
        <translation>Тише</translation>
    </message>
    <message>
        <source>Mute or unmute</source>
        <translation>Выключить или включить звук</translation>
    </message>
    <message>
        <source>Full screen on or off</source>
        <translation>Полный экран: вкл. или выкл.</translation>
    </message>
    <message>
        <source>Leave full screen</source>
        <translation>Выйти из полноэкранного режима</translation>
    </message>
    <message>
        <source>One frame back</source>
        <translation>На кадр назад</translation>
    </message>
    <message>
        <source>One frame forward</source>
        <translation>На кадр вперёд</translation>
    </message>
    <message>
        <source>Remove the selected file from the list</source>
        <translation>Удалить выбранный файл из списка</translation>
    </message>
    <message>
        <source>Information about the recording</source>
        <translation>Сведения о записи</translation>
    </message>
    <message>
        <source>Continue where the recording was left last time</source>
        <translation>Продолжить с места, где запись остановили в прошлый раз</translation>
    </message>
    <message>
        <source>Previous G-sensor event</source>
        <translation>Предыдущее событие G-сенсора</translation>
    </message>
    <message>
        <source>Next G-sensor event</source>
        <translation>Следующее событие G-сенсора</translation>
    </message>
    <message>
        <source>Mark the start of an incident clip</source>
        <translation>Отметить начало клипа происшествия</translation>
    </message>
    <message>
        <source>Mark the end of an incident clip</source>
        <translation>Отметить конец клипа происшествия</translation>
    </message>
    <message>
        <source>Export the route</source>
        <translation>Экспортировать маршрут</translation>
    </message>
</context>
<context>
    <name>WebMapWidget</name>
    <message>
        <source>Map tiles cannot be loaded. A local tile source can be chosen in the settings.</source>
        <translation>Не удаётся загрузить тайлы карты. Локальный источник тайлов можно выбрать в настройках.</translation>
    </message>
</context>
<context>
    <name>DriveController</name>
    <message>
        <source>No events in this drive</source>
        <translation>В этой поездке нет событий</translation>
    </message>
</context>
</TS>
