#pragma once

#include "App/SettingsRows.h"
#include "Core/Settings.h"

#include <QFrame>
#include <QScrollArea>
#include <QString>
#include <QWidget>

#include <functional>

class QLabel;
class QVBoxLayout;

// A small footnote under a settings section: an information symbol and a caption in
// the secondary colour, wrapped to the width it is given.
class SettingsFooterLabel : public QWidget {
    Q_OBJECT
public:
    explicit SettingsFooterLabel(const QString& text, QWidget* parent = nullptr);
    QString text() const;

private:
    QLabel* m_text;
};

// One framed group of rows in a settings tab.
class SettingsSection : public QFrame {
    Q_OBJECT
public:
    explicit SettingsSection(QWidget* parent = nullptr);

    // A row of its own making, as wide as the section.
    void addRow(QWidget* row);
    // A row: the text at the leading edge, the control at the trailing edge.
    QWidget* addRow(const QString& text, QWidget* control);
    // A switch (a check box) with its text, named objectName.
    QCheckBox* addSwitch(const QString& text, const QString& objectName);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QVBoxLayout* m_rows;
};

// A settings tab's content: a vertical list of sections, each with its header above
// and an optional footer below, scrolled when it is taller than the window.
class SettingsForm : public QScrollArea {
    Q_OBJECT
public:
    explicit SettingsForm(QWidget* parent = nullptr);

    // A section under a header text (none when empty).
    SettingsSection* addSection(const QString& header = {});
    // A section under a header row of the caller's making.
    SettingsSection* addSection(QWidget* header);
    void addFooter(SettingsFooterLabel* footer);

    // The width the rows of `section` get in the form as it is shown now (a row's own
    // width may still be the one it had before the last change of the form).
    int rowWidth(const SettingsSection* section) const;

    // A picker or slider that the wheel moves only once it has the focus: a wheel turned
    // to scroll the form past it must not change the language or the format.
    static void ignoreWheelUnlessFocused(QWidget* control);

private:
    QVBoxLayout* m_sections;
};

// The header text style of a section (the header rows that carry a button use it too).
QLabel* settingsHeaderLabel(const QString& text, QWidget* parent = nullptr);

// Shows a Boolean setting in a switch and stores the user's changes, after which
// afterStore (when set) runs with the new value. A write from elsewhere moves the switch
// without storing anything again.
void bindSwitch(QCheckBox* box, const Setting<SettingKind::Bool>& setting, UserDefaults& defaults,
                std::function<void(bool)> afterStore = {});
