// Opens the editor, its panels, popovers, toasts, save panel, settings and about windows
// in each of the ten languages and checks that every text has its room: nothing narrower
// than it asks to be (a wrapped label as tall as its lines), no two texts of one row
// over each other. (Menus and tooltips size themselves to their texts.) Prints each
// problem; exits 1 when there was any.
#include "App/AboutWindow.h"
#include "App/QtTranslations.h"
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
#include <QTabWidget>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

QStringList problems;

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
        || qobject_cast<const ToolbarButton*>(w);
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

void check(QWidget* root, const QString& where)
{
    QList<QWidget*> texts;
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* w : std::as_const(widgets)) {
        if (!w->isVisible() || !showsText(w))
            continue;
        texts << w;
        const auto* label = qobject_cast<const QLabel*>(w);
        const bool wraps = label && label->wordWrap();
        const int need = wraps ? label->heightForWidth(w->width()) : w->sizeHint().width();
        if (need > (wraps ? w->height() : w->width()))
            problems << QStringLiteral("%1: %2 needs %3, has %4").arg(where, describe(w)).arg(need).arg(
                wraps ? w->height() : w->width());
    }
    for (int i = 0; i < texts.size(); ++i)
        for (int j = i + 1; j < texts.size(); ++j)
            if (texts[i]->parentWidget() == texts[j]->parentWidget() && texts[i]->geometry().intersects(texts[j]->geometry()))
                problems << QStringLiteral("%1: %2 overlaps %3").arg(where, describe(texts[i]), describe(texts[j]));
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
        showAboutWindow();
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->windowTitle() == aboutWindowTitle && window->isVisible()) {
                QApplication::processEvents();
                check(window, QStringLiteral("about window") + in);
                window->close();
            }
    }

    for (const QString& line : std::as_const(problems))
        std::printf("%s\n", line.toUtf8().constData());
    std::printf("checked, %lld problems\n", static_cast<long long>(problems.size()));
    return problems.isEmpty() ? 0 : 1;
}
