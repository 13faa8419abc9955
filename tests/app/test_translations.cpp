// Loads the compiled translation resources exactly as the player does (":/trans/*.qm") and checks
// every translated text of the interface in every language, including the texts that must have
// no entry so the source text shows.
#include <QCoreApplication>
#include <QTest>
#include <QTranslator>

namespace {

const char *const kLanguages[] = {"English", "Japanese", "Deutsch", "Russian"};

// A null entry means the resource holds no translation for the text.
struct Row
{
    const char *context;
    const char *source;
    const char *text[4]; // English, Japanese, Deutsch, Russian
};

// "File Path" carries a no-break space between its words.
#define NBSP "\u00a0"

const Row kRows[] = {
    {"MainWindow", "Settings", {"Settings", "セッティング", "die Einstellungen", "Настройки"}},
    {"MainWindow", "Help", {"Help", "ヘルプ", "Hilfe", "Помощь"}},
    {"MainWindow", "Open file", {"Open file", "ファイルを開く", "Datei öffnen", "Открыть файл"}},
    {"VideoLibrary", "Open file", {"Open file", "ファイルを開く", "Datei öffnen", "Открыть файл"}},
    {"MainWindow", "Image Saved",
     {"Image Saved", "画像を保存しました", "Bild gespeichert", "Изображение сохранено"}},
    {"MainWindow", "Reset", {"Reset", "リセット", "Reset", "Сброс"}},
    {"VideoLibrary", "Remind", {"Remind", "ヒント", "Hinweis", "Внимание!"}},
    {"VideoLibrary", "Importing files, please wait...",
     {"Importing files, please wait...", "ビデオファイルをインポートしています、少々お待ちくださ...",
      "Bitte warten Sie beim Importieren von Videodateien...", "Импорт файлов, подождите ..."}},
    {"VideoLibrary", "Remove all recordings from the list? The files stay on disk.",
     {"Remove all recordings from the list? The files stay on disk.",
      "すべての録画をリストから外しますか？ファイルはディスクに残ります。",
      "Alle Aufnahmen aus der Liste entfernen? Die Dateien bleiben auf dem Datenträger.",
      "Убрать все записи из списка? Файлы останутся на диске."}},
    {"VideoLibrary", "YES", {"YES", "はい", "Ja", "ДА"}},
    {"VideoLibrary", "NO", {"NO", "いえ", "Nein", "Нет"}},
    {"MainWindow", "No File Selected", {"No File Selected", nullptr, nullptr, nullptr}},
    {"MainWindow", "You haven't selected a file to remove.",
     {"You haven't selected a file to remove.", nullptr, nullptr, nullptr}},
    {"VideoLibrary", "(*.mp4 *.m3u8 *.ts *.mov *.m4a)", {nullptr, nullptr, nullptr, nullptr}},
    {"MainWindow", "MainWindow", {nullptr, nullptr, nullptr, nullptr}},
    // Keys, tooltips and the messages of the list.
    {"MainWindow", "Left at %1 last time: press R to continue there.",
     {"Left at %1 last time: press R to continue there.",
      "前回は %1 で止めました。R キーで続きから再生します。",
      "Zuletzt bei %1 verlassen: R drücken, um dort weiterzumachen.",
      "В прошлый раз остановлено на %1: нажмите R, чтобы продолжить."}},
    {"VideoLibrary", "Remove %1 from the list?",
     {"Remove %1 from the list?", "%1 をリストから削除しますか？", "%1 aus der Liste entfernen?", "Удалить %1 из списка?"}},
    {"MainWindow", "The file list could not be saved (%1). It is kept until the next save succeeds.",
     {"The file list could not be saved (%1). It is kept until the next save succeeds.", "ファイルリストを保存できませんでした（%1）。次の保存が成功するまで保持されます。", "Die Dateiliste konnte nicht gespeichert werden (%1). Sie bleibt erhalten, bis das nächste Speichern gelingt.", "Не удалось сохранить список файлов (%1). Он сохранится при следующей удачной записи."}},
    {"MainWindow", "Play or pause (Space)",
     {"Play or pause (Space)", "再生／一時停止（Space）", "Wiedergabe oder Pause (Leertaste)", "Воспроизведение или пауза (Пробел)"}},
    {"MainWindow", "Back to the start",
     {"Back to the start", "最初に戻る", "Zurück zum Anfang", "В начало"}},
    {"MainWindow", "One frame back (,)",
     {"One frame back (,)", "1フレーム戻る（,）", "Ein Bild zurück (,)", "На кадр назад (,)"}},
    {"MainWindow", "One frame forward (.)",
     {"One frame forward (.)", "1フレーム進む（.）", "Ein Bild vor (.)", "На кадр вперёд (.)"}},
    {"MainWindow", "Previous file",
     {"Previous file", "前のファイル", "Vorherige Datei", "Предыдущий файл"}},
    {"MainWindow", "Next file",
     {"Next file", "次のファイル", "Nächste Datei", "Следующий файл"}},
    {"MainWindow", "Mute or unmute (M)",
     {"Mute or unmute (M)", "ミュート／ミュート解除（M）", "Ton aus oder ein (M)", "Выключить или включить звук (M)"}},
    {"MainWindow", "Volume (Up and Down keys)",
     {"Volume (Up and Down keys)", "音量（上下キー）", "Lautstärke (Pfeiltasten auf und ab)", "Громкость (клавиши вверх и вниз)"}},
    {"MainWindow", "Position: Left and Right seek 5 s, with Shift 1 s, with Ctrl 60 s",
     {"Position: Left and Right seek 5 s, with Shift 1 s, with Ctrl 60 s", "再生位置：左右キーで5秒、Shiftで1秒、Ctrlで60秒移動", "Position: Pfeiltasten links und rechts springen 5 s, mit Umschalt 1 s, mit Strg 60 s", "Позиция: стрелки влево и вправо — 5 с, с Shift — 1 с, с Ctrl — 60 с"}},
    {"MainWindow", "Save a picture of every channel",
     {"Save a picture of every channel", "全チャンネルの画像を保存", "Ein Bild jedes Kanals speichern", "Сохранить снимок каждого канала"}},
    {"MainWindow", "Brightness, contrast and saturation",
     {"Brightness, contrast and saturation", "明るさ・コントラスト・彩度", "Helligkeit, Kontrast und Sättigung", "Яркость, контраст и насыщенность"}},
    {"MainWindow", "Switch the channel view",
     {"Switch the channel view", "チャンネル表示の切り替え", "Kanalansicht wechseln", "Переключить вид каналов"}},
    {"MainWindow", "Zoom out",
     {"Zoom out", "縮小", "Verkleinern", "Уменьшить"}},
    {"MainWindow", "Zoom in",
     {"Zoom in", "拡大", "Vergrößern", "Увеличить"}},
    {"MainWindow", "Full screen (F, or a double click on the picture; Esc leaves)",
     {"Full screen (F, or a double click on the picture; Esc leaves)", "全画面（F または映像をダブルクリック、Esc で戻る）", "Vollbild (F oder Doppelklick auf das Bild; Esc beendet)", "Полный экран (F или двойной щелчок по изображению; Esc — выход)"}},
    {"MainWindow", "Information about the recording (I)",
     {"Information about the recording (I)", "録画の情報（I）", "Informationen zur Aufnahme (I)", "Сведения о записи (I)"}},
    {"MainWindow", "Add files",
     {"Add files", "ファイルを追加", "Dateien hinzufügen", "Добавить файлы"}},
    {"MainWindow", "Remove all files from the list",
     {"Remove all files from the list", "リストから全ファイルを削除", "Alle Dateien aus der Liste entfernen", "Удалить все файлы из списка"}},
    {"MainWindow", "Sort by name",
     {"Sort by name", "名前で並べ替え", "Nach Namen sortieren", "Сортировать по имени"}},
    {"MainWindow", "Double click to play; Delete removes the selected file from the list",
     {"Double click to play; Delete removes the selected file from the list", "ダブルクリックで再生、Delete で選択したファイルをリストから削除", "Doppelklick spielt ab; Entf entfernt die gewählte Datei aus der Liste", "Двойной щелчок — воспроизвести; Delete — удалить выбранный файл из списка"}},
    {"FileInfoWidget", "Remove this file from the list",
     {"Remove this file from the list", "このファイルをリストから削除", "Diese Datei aus der Liste entfernen", "Удалить этот файл из списка"}},

    {"SettingDialog", "Dialog", {"Settings", "設定", "die Einstellungen", "Настройки"}},
    {"SettingDialog", "Choose the folder for captured pictures",
     {"Choose the folder for captured pictures", "キャプチャ画像の保存先フォルダを選択",
      "Ordner für aufgenommene Bilder wählen", "Выбрать папку для снимков"}},
    {"HelpWindowDialog", "Copyright © Dravonix. All rights reserved.",
     {"Copyright © Dravonix. All rights reserved.", "Copyright © Dravonix. 無断複写・転載を禁じます。",
      "Copyright © Dravonix. Alle Rechte vorbehalten.", "Copyright © Dravonix. Все права защищены."}},
    {"SettingDialog", "Settings", {"Settings", "設定", "die Einstellungen", "Настройки"}},
    {"SettingDialog", "Language", {"Language", "言語", "Sprache", "Язык"}},
    {"SettingDialog", "English", {"English", "English", "English", "Английский"}},
    {"SettingDialog", "Japanese", {"日本語", "日本語", "日本語", "Японский"}},
    {"SettingDialog", "Deutsch", {"Deutsch", "Deutsch", "Deutsch", "Deutsch"}},
    {"SettingDialog", "Russian", {nullptr, nullptr, nullptr, "Русский"}},
    {"SettingDialog", "Speed Unit",
     {"Speed Unit", "速度単位", "Geschwindigkeitseinheit", "Единица измерения"}},
    {"SettingDialog", "KM/H", {"KM/H", nullptr, nullptr, nullptr}},
    {"SettingDialog", "MPH", {nullptr, nullptr, nullptr, nullptr}},
    {"SettingDialog", "Map", {"Map", "地図", "Karte", nullptr}},
    {"SettingDialog", "OpenStreamMap", {nullptr, nullptr, nullptr, nullptr}},
    {"SettingDialog", "GoogleMap", {nullptr, nullptr, nullptr, nullptr}},
    {"SettingDialog", "Decode(Restart to take effect)", {nullptr, nullptr, nullptr, nullptr}},
    {"SettingDialog", "Hard Decoding", {nullptr, nullptr, nullptr, nullptr}},
    {"SettingDialog", "Soft Decoding", {nullptr, nullptr, nullptr, nullptr}},
    {"SettingDialog", "Play Mode",
     {"Play Mode", "再生モード", "Wiedergabemodus", "Режим просмотра видео"}},
    {"SettingDialog", "Single", {"Single", "1カメラモード", "Single Kanal", "1 канал"}},
    {"SettingDialog", "Dual", {"Dual", "2カメラモード", "Dual Kanäle", "2 канала"}},
    {"SettingDialog", "3-Channel", {"3-Channel", "3カメラモード", "Drei Kanäle", "3 канала"}},
    {"SettingDialog", "Note", {"Note", "※注意※", "Note", "Примечание"}},
    {"SettingDialog", "Note: Dual or 3-Channel play mode might cause computer run slow.",
     {"Note: Dual or 3-Channel play mode might cause computer run slow.",
      "ご注意:パソコンのスペックによって、2カメラと3カメラが同時に再生する時、パソコンの運行が遅"
      "くなった場合があります。",
      "Hinweis: Der Dual- oder Drei-Kanal Modus kann dazu führen, dass der Computer langsam läuft. "
      "Hängt hauptsächlich von der Computerkonfiguration ab.",
      "Примечание. Двух- или трехканальный режим воспроизведения может замедлить работу "
      "компьютера."}},
    {"SettingDialog", "File" NBSP "Path",
     {"File" NBSP "Path", "キャプチャパス", "Erfassungspfad", "Папка скриншотов"}},
    {"SettingDialog", "Open file", {"Open file", "ファイルを開く", "Datei öffnen", "Открыть файл"}},
    {"SettingDialog", "...", {"...", "...", "...", nullptr}},

    {"VideoAdjustWidget", "Form", {nullptr, nullptr, nullptr, nullptr}},
    {"HelpWindowDialog", "Version", {"Version", "バージョン", "Version", "Версия"}},
    {"VideoAdjustWidget", "Brightness", {"Brightness", "明るさ", "Helligkeit", "Яркость"}},
    {"VideoAdjustWidget", "Saturation", {"Saturation", "彩度", "Sättigung", "Насыщенность"}},
    {"VideoAdjustWidget", "Contrast", {"Contrast", "コントラスト", "Kontrast", "Контраст"}},
    {"HelpWindowDialog", "Open the help page", {"Open the help page", "ヘルプページを開く", "Hilfeseite öffnen", "Открыть справку"}},
    {"HelpWindowDialog", "Close", {"Close", "閉じる", "Schließen", "Закрыть"}},
    {"HelpWindowDialog", "1.0.0", {nullptr, nullptr, nullptr, nullptr}},
};

QString resourceOf(int language)
{
    return QStringLiteral(":/trans/%1.qm").arg(QLatin1String(kLanguages[language]));
}

} // namespace

class TestTranslations : public QObject
{
    Q_OBJECT

private slots:
    void everyLanguageLoads_data();
    void everyLanguageLoads();
    void texts_data();
    void texts();
    void textKeepsItsContext();
    void englishAnswersBeforeAnOlderTranslator_data();
    void englishAnswersBeforeAnOlderTranslator();
};

void TestTranslations::everyLanguageLoads_data()
{
    QTest::addColumn<int>("language");
    for (int i = 0; i < 4; ++i)
        QTest::newRow(kLanguages[i]) << i;
}

void TestTranslations::everyLanguageLoads()
{
    QFETCH(int, language);
    QTranslator translator;
    QVERIFY2(translator.load(resourceOf(language)), qPrintable(resourceOf(language)));
    QVERIFY(!translator.isEmpty());
    const QString code[] = {"en", "ja", "de", "ru"};
    QCOMPARE(translator.language(), code[language]);
}

void TestTranslations::texts_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("context");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("expected");
    for (const Row &row : kRows) {
        for (int i = 0; i < 4; ++i) {
            const QByteArray name = QByteArray(kLanguages[i]) + '/' + row.context + '/' + row.source;
            QTest::newRow(name.constData())
                << i << QString::fromLatin1(row.context) << QString::fromUtf8(row.source)
                << (row.text[i] ? QString::fromUtf8(row.text[i]) : QString());
        }
    }
}

// An empty expectation means "no entry": QTranslator answers a null string, and the widget
// then shows its source text.
void TestTranslations::texts()
{
    QFETCH(int, language);
    QFETCH(QString, context);
    QFETCH(QString, source);
    QFETCH(QString, expected);
    QTranslator translator;
    QVERIFY(translator.load(resourceOf(language)));
    const QString got = translator.translate(context.toLatin1().constData(),
                                             source.toUtf8().constData());
    QCOMPARE(got, expected);
}

void TestTranslations::textKeepsItsContext()
{
    // The same source text reads differently in the window and in the dialog; a catalogue that
    // put them in one context would give the dialog the window's word or the other way round.
    QTranslator ja;
    QVERIFY(ja.load(resourceOf(1)));
    QCOMPARE(ja.translate("MainWindow", "Settings"), QStringLiteral("セッティング"));
    QCOMPARE(ja.translate("SettingDialog", "Settings"), QStringLiteral("設定"));
    QVERIFY(ja.translate("SettingDialog", "Reset").isEmpty());
    QVERIFY(ja.translate("HelpWindowDialog", "Settings").isEmpty());
    // A plain blank instead of the no-break space finds nothing.
    QVERIFY(ja.translate("SettingDialog", "File Path").isEmpty());
}

void TestTranslations::englishAnswersBeforeAnOlderTranslator_data()
{
    QTest::addColumn<int>("older");
    for (int i = 1; i < 4; ++i)
        QTest::newRow(kLanguages[i]) << i;
}

// Qt asks the newest translator first and falls back to older ones. Switching to English at run
// time over a start-up translator of another language must not leave that language's words on
// screen, so English carries every text that another language translates (the hidden Russian
// language choice excepted).
void TestTranslations::englishAnswersBeforeAnOlderTranslator()
{
    QFETCH(int, older);
    QTranslator startup;
    QTranslator english;
    QVERIFY(startup.load(resourceOf(older)));
    QVERIFY(english.load(resourceOf(0)));
    QVERIFY(QCoreApplication::installTranslator(&startup));
    QVERIFY(QCoreApplication::installTranslator(&english));
    for (const Row &row : kRows) {
        if (!row.text[older] || qstrcmp(row.source, "Russian") == 0)
            continue;
        const QString shown = QCoreApplication::translate(row.context, row.source);
        const QString wanted = QString::fromUtf8(row.text[0] ? row.text[0] : row.source);
        QVERIFY2(shown == wanted, qPrintable(QStringLiteral("%1/%2 shows %3")
                                                 .arg(row.context, row.source, shown)));
    }
    QCoreApplication::removeTranslator(&english);
    QCoreApplication::removeTranslator(&startup);
}

QTEST_GUILESS_MAIN(TestTranslations)
#include "test_translations.moc"
