#pragma once

class QMainWindow;
class QSplitter;
class QToolButton;
class QWidget;
class SettingsStore;
class VideoAdjustWidget;
namespace Ui {
class MainWindow;
}

// How the main window's controls look and what they say, and the window's size and place from
// one run to the next: set-up the window does once, kept apart from what its controls do.
namespace WindowLook {

// Colours and fonts of the labels, the black video area, the map's background, and the
// controls that stay hidden.
void styleControls(Ui::MainWindow *ui);
// The brightness, contrast and saturation panel as the button's menu; returns the panel.
VideoAdjustWidget *attachAdjustMenu(QToolButton *button);
// The export button, placed right after the capture button.
QToolButton *addExportButton(Ui::MainWindow *ui);
// Every icon button says what it does, with its key where it has one (again after a language
// change). exportButton may be null before it exists.
void setToolTips(Ui::MainWindow *ui, QWidget *exportButton);

// The mute button shows a speaker, crossed out while the volume is 0.
void showVolumeIcon(Ui::MainWindow *ui, int volume);

// Size, position, splitter and full screen, stored as text like every preference.
void saveWindowState(const QMainWindow &window, const QSplitter &splitter, bool fullScreen,
                     const SettingsStore &settings);
// Restores what saveWindowState stored; returns whether the window was in full screen.
bool restoreWindowState(QMainWindow &window, QSplitter &splitter, const SettingsStore &settings);

} // namespace WindowLook
