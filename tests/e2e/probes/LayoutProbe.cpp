// Opens the editor, its panels, popovers, toasts, save panel, settings (with a shortcut
// being recorded) and about windows in each of the ten languages and checks that every
// text has its room: nothing narrower or lower than it asks to be (a wrapped label as
// tall as its lines, and not squeezed into a narrow column), a widget that paints its own
// text as wide as that text, no text over another or over a picture of its row. (Menus
// and tooltips size themselves to their texts.) Prints each problem; exits 1 when there
// was any.
#include "App/AboutWindow.h"
#include "App/QtTranslations.h"
#include "App/SettingsRows.h"
#include "App/SettingsWindow.h"
#include "Core/LanguageRefresh.h"
#include "Core/Settings.h"
#include "Core/ShortcutStore.h"
#include "Models/ImageEditorViewModel.h"
#include "Output/OutputToasts.h"
#include "Output/SavePanel.h"
#include "Views/BackdropPanelView.h"
#include "Views/ContentView.h"
#include "Views/OCRResultPanel.h"
#include "Views/PropertyPanelControls.h"
#include "Views/ResizePanelView.h"
#include "Views/ToolButton.h"
#include "Views/ToolPropertyPanels.h"
#include "Views/ZoomMenu.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QRegularExpression>
#include <QTabWidget>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

QStringList problems;

// A widget that paints its own text tells the width its text needs and the width it
// has through two properties; every other text is a label's, a button's or a box's.
bool reportsTextRoom(const QWidget* w)
{
    return w->metaObject()->indexOfProperty("neededTextWidth") >= 0
        && w->metaObject()->indexOfProperty("availableTextWidth") >= 0;
}

// Whether a widget shows text whose width is its own business. A label that elides on
// purpose (the path) and the file dialog's folder box (a path, not interface text) do not.
bool showsText(const QWidget* w)
{
    if (const auto* label = qobject_cast<const QLabel*>(w))
        return !label->text().isEmpty() && label->sizePolicy().horizontalPolicy() != QSizePolicy::Ignored;
    if (const auto* button = qobject_cast<const QAbstractButton*>(w))
        return !button->text().isEmpty();
    return (qobject_cast<const QComboBox*>(w) && w->objectName() != QLatin1String("lookInCombo"))
        || qobject_cast<const PanelText*>(w) || qobject_cast<const ZoomMenuItem*>(w)
        || qobject_cast<const ToolbarButton*>(w) || reportsTextRoom(w);
}

QString describe(const QWidget* w)
{
    QString text = w->property("text").toString();
    if (const auto* panelText = qobject_cast<const PanelText*>(w))
        text = panelText->text();
    else if (const auto* item = qobject_cast<const ZoomMenuItem*>(w))
        text = item->title() + QLatin1Char(' ') + item->hint();
    return QString::fromLatin1(w->metaObject()->className()) + QStringLiteral(" \"") + text + QLatin1Char('"');
}

// Wrapped text narrower than this reads as a column of a few words a line.
constexpr int kNarrowestWrappedColumn = 160;

void check(QWidget* root, const QString& where)
{
    QList<QWidget*> texts, pictures;
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* w : std::as_const(widgets)) {
        if (!w->isVisible())
            continue;
        if (const auto* label = qobject_cast<const QLabel*>(w); label && label->text().isEmpty() && !label->pixmap().isNull())
            pictures << w;
        if (!showsText(w))
            continue;
        texts << w;
        const auto* label = qobject_cast<const QLabel*>(w);
        const bool wraps = label && label->wordWrap();
        // A switch whose text wraps needs the height of its lines.
        if (qobject_cast<const SettingsSwitch*>(w)) {
            if (w->heightForWidth(w->width()) > w->height())
                problems << QStringLiteral("%1: %2 height needs %3, has %4")
                                .arg(where, describe(w))
                                .arg(w->heightForWidth(w->width()))
                                .arg(w->height());
            continue;
        }
        const auto problem = [&](const QString& what, int need, int has) {
            problems << QStringLiteral("%1: %2 %3 needs %4, has %5").arg(where, describe(w), what).arg(need).arg(has);
        };
        if (reportsTextRoom(w)) {
            const int need = w->property("neededTextWidth").toInt(), has = w->property("availableTextWidth").toInt();
            if (need > has)
                problem(QStringLiteral("width"), need, has);
        } else if (wraps) {
            if (label->heightForWidth(w->width()) > w->height())
                problem(QStringLiteral("height"), label->heightForWidth(w->width()), w->height());
            const int oneLine = label->fontMetrics().horizontalAdvance(label->text()) + label->contentsMargins().left()
                + label->contentsMargins().right();
            const int column = w->width() - label->contentsMargins().left() - label->contentsMargins().right();
            if (oneLine > w->width() && column < kNarrowestWrappedColumn)
                problem(QStringLiteral("column"), kNarrowestWrappedColumn, column);
        } else {
            if (w->sizeHint().width() > w->width())
                problem(QStringLiteral("width"), w->sizeHint().width(), w->width());
            if (label && label->sizeHint().height() > w->height())
                problem(QStringLiteral("height"), label->sizeHint().height(), w->height());
        }
    }
    for (int i = 0; i < texts.size(); ++i)
        for (const QList<QWidget*>* others : {&texts, &pictures})
            for (int j = others == &texts ? i + 1 : 0; j < others->size(); ++j)
                if (texts[i]->parentWidget() == others->at(j)->parentWidget()
                    && texts[i]->geometry().intersects(others->at(j)->geometry()))
                    problems << QStringLiteral("%1: %2 overlaps %3").arg(where, describe(texts[i]), describe(others->at(j)));
}

// Shown at its own size, as its popover or window shows it, then checked.
void showAndCheck(QWidget* widget, const QString& where, bool ownSize = true)
{
    if (ownSize)
        widget->adjustSize();
    widget->show();
    QApplication::processEvents();
    check(widget, where);
    widget->hide();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumetra"));
    UserDefaults& defaults = UserDefaults::standard();
    Settings::registerDefaults(defaults);
    QtTranslations qtTexts(LanguageRefresh::shared());

    ContentView content;
    content.resize(1000, 700);
    content.show();
    ImageEditorViewModel* viewModel = content.viewModel();
    QImage image(1200, 800, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);

    // The panels are made each time their popover opens, as the toolbar makes them; the
    // zoom menu, the text card and the toasts live on and follow the language.
    const auto freshPanels = [viewModel] {
        std::vector<std::unique_ptr<QWidget>> panels;
        for (ToolType tool : {ToolType::line, ToolType::arrow, ToolType::rectangle, ToolType::text, ToolType::freehand,
                              ToolType::highlighter, ToolType::number, ToolType::mosaic, ToolType::spotlight})
            panels.emplace_back(makeToolPropertyPanel(tool, viewModel));
        panels.emplace_back(new ResizePanelView(viewModel, {}));
        panels.emplace_back(new BackdropPanelView(viewModel));
        return panels;
    };
    std::vector<std::unique_ptr<QWidget>> lasting;
    lasting.emplace_back(new ZoomMenu(viewModel, {}, {}));
    lasting.emplace_back(new OCRResultPanel(viewModel));
    lasting.emplace_back(new SaveToast(QUrl::fromLocalFile(QStringLiteral("/tmp/Lumetra 2025-03-01 at 14.05.09.png")),
                                       {}, {}, {}));
    lasting.emplace_back(new CopyToast({}));

    for (const char* language : {"en", "zh-Hans", "zh-Hant", "ja", "ko", "de", "fr", "es", "it", "ru"}) {
        defaults.set(Settings::appLanguage.name(), QString::fromLatin1(language));
        const QString in = QStringLiteral(" (%1)").arg(QLatin1String(language));
        QApplication::processEvents();

        viewModel->clearImage();
        QApplication::processEvents();
        check(&content, QStringLiteral("empty editor") + in);
        viewModel->setLoadedImage(Image(image), QUrl::fromLocalFile(QStringLiteral("/tmp/layout.png")));
        viewModel->setOcrPanelState(OCRPanelState::text(QStringLiteral("Lumetra")));
        QApplication::processEvents();
        check(&content, QStringLiteral("editor") + in);
        viewModel->selectTool(ToolType::crop);
        viewModel->setCropRect(QRectF(10, 10, 200, 100));
        QApplication::processEvents();
        check(&content, QStringLiteral("crop bar") + in);
        viewModel->selectTool(ToolType::none);

        std::vector<std::unique_ptr<QWidget>> panels = freshPanels();
        for (auto* popups : {&lasting, &panels})
            for (const auto& popup : *popups)
                showAndCheck(popup.get(), QString::fromLatin1(popup->metaObject()->className()) + in);
        SavePanel savePanel(nullptr, QStringLiteral("jpeg"), 0.9);
        showAndCheck(&savePanel, QStringLiteral("save panel") + in, false);
        SettingsView settings(defaults, ShortcutStore::shared(), {});
        settings.show();
        for (int tab = 0; tab < settings.tabWidget()->count(); ++tab) {
            settings.tabWidget()->setCurrentIndex(tab);
            QApplication::processEvents();
            check(settings.tabWidget()->currentWidget(), QStringLiteral("settings tab %1").arg(tab) + in);
        }
        check(settings.tabWidget()->tabBar(), QStringLiteral("settings tabs") + in);
        // Each shortcut being recorded: its prompt beside the row's title.
        settings.tabWidget()->setCurrentIndex(2);
        for (QAbstractButton* capsule : settings.findChildren<QAbstractButton*>(QRegularExpression(QStringLiteral("^binding\\.")))) {
            capsule->click();
            QApplication::processEvents();
            check(settings.tabWidget()->currentWidget(), QStringLiteral("recording ") + capsule->objectName() + in);
        }
        // One about window stays open through the changes of language, as a user may leave it.
        showAboutWindow();
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->windowTitle() == aboutWindowTitle && window->isVisible()) {
                QApplication::processEvents();
                check(window, QStringLiteral("about window") + in);
            }
    }

    for (const QString& line : std::as_const(problems))
        std::printf("%s\n", line.toUtf8().constData());
    std::printf("checked, %lld problems\n", static_cast<long long>(problems.size()));
    return problems.isEmpty() ? 0 : 1;
}
