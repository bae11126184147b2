#pragma once

#include <QPixmap>
#include <QString>
#include <QWidget>

class QLabel;

// The about panel: icon, name, description, version, copyright and credits. Its texts
// are looked up again when the interface language changes.
class AboutContentView : public QWidget {
    Q_OBJECT
public:
    explicit AboutContentView(QWidget* parent = nullptr);

    static constexpr int iconSize = 96;

    // The icon shown: the bundled "AppIcon", else "icon_64x64", else a blue picture
    // symbol; `source` names which one it was.
    static QPixmap iconPixmap(QString* source = nullptr);

    QString descriptionText() const;
    QString versionText() const;
    QString copyrightText() const;
    QString madeWithText() const;

private:
    void retranslate();

    QLabel* m_icon;
    QLabel* m_name;
    QLabel* m_description;
    QLabel* m_version;
    QLabel* m_copyright;
    QLabel* m_madeWith;
};

// The panel as the about window shows it: padded by 20, 320 wide.
class AboutView : public QWidget {
    Q_OBJECT
public:
    explicit AboutView(QWidget* parent = nullptr);
    AboutContentView* content() const { return m_content; }

    // 320 wide and as tall as the panel's texts need in the current language (at least
    // 240); done again when the language changes, since the window's size is fixed.
    void fitToContent();

private:
    AboutContentView* m_content;
};

// The panel as the settings window's About tab shows it: centred in all the room given.
class AboutSettingsView : public QWidget {
    Q_OBJECT
public:
    explicit AboutSettingsView(QWidget* parent = nullptr);
};

inline const QString aboutWindowTitle = QStringLiteral("About Lumetra");

// The version of this build.
QString appVersion();

// Brings the about window forward, making it first when there is none.
void showAboutWindow();
