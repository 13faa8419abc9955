#pragma once

#include <QWidget>

class QCheckBox;
class QDoubleSpinBox;
class QLabel;

// The settings of drives, events and map tiles: whether playback goes on with the next clip,
// the G change that marks an event, and where map tiles come from (OpenStreetMap online, a
// folder of z/x/y tiles or an MBTiles file). Each change is stored at once, like every other
// choice of the settings dialog, and announced by changed().
class DriveSettingsWidget : public QWidget
{
    Q_OBJECT
public:
    explicit DriveSettingsWidget(QWidget *parent = nullptr);

    QCheckBox *continueBox() const { return m_continue; }
    QDoubleSpinBox *thresholdBox() const { return m_threshold; }
    QLabel *tileSourceLabel() const { return m_tileSource; }
    // Stores a tile source (empty for online) and shows it.
    void setTileSource(const QString &pathOrEmpty);
    void retranslate();

signals:
    void changed();

protected:
    // Ask for a tile folder or an MBTiles file; empty when cancelled. Overridable so tests can
    // answer without a person at the screen.
    virtual QString chooseTileFolder(const QString &start);
    virtual QString chooseTileFile(const QString &start);

private:
    void showTileSource(const QString &source);

    QLabel *m_caption = nullptr;
    QCheckBox *m_continue = nullptr;
    QLabel *m_thresholdLabel = nullptr;
    QDoubleSpinBox *m_threshold = nullptr;
    QLabel *m_tilesCaption = nullptr;
    QLabel *m_tileSource = nullptr;
    class QToolButton *m_folderBtn = nullptr;
    class QToolButton *m_fileBtn = nullptr;
    class QToolButton *m_onlineBtn = nullptr;
};
