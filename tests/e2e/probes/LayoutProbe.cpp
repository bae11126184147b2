// Opens every menu, panel, popover, toast and tooltip of Lumetra on the display it is
// given, in each of the ten interface languages, and checks that every text has the
// room it needs: a label, button or item no narrower than its text (a wrapped one as
// tall as its lines), and no two texts of one row lying over each other. Prints one
// line per problem and exits 1 when there was any, 0 when none.
#include "App/AboutWindow.h"
#include "App/AppMenuBar.h"
#include "App/QtTranslations.h"
#include "App/StatusMenuController.h"
#include "Core/LanguageRefresh.h"
#include "Core/Settings.h"
#include "Core/ShortcutStore.h"
#include "Models/ImageEditorViewModel.h"
#include "Output/OutputToasts.h"
#include "Output/SavePanel.h"
#include "Platform/UserDefaults.h"
#include "Views/BackdropPanelView.h"
#include "Views/ContentView.h"
#include "Views/EditorContextMenu.h"
#include "Views/FloatingToolbar.h"
#include "Views/HoverTooltip.h"
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
#include <QMenu>
#include <QMenuBar>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

class NoTray final : public StatusItemHost {
public:
    bool isAvailable() const override { return false; }
    void setMenu(QMenu*) override {}
    void refreshIcon() override {}
};

QStringList problems;

void problem(const QString& where, const QString& what)
{
    problems << where + QStringLiteral(": ") + what;
}

// The text a widget shows and the width it needs for it, when it is one that shows text.
std::optional<std::pair<QString, int>> textNeed(const QWidget* w)
{
    if (const auto* label = qobject_cast<const QLabel*>(w)) {
        if (label->text().isEmpty() || label->sizePolicy().horizontalPolicy() == QSizePolicy::Ignored)
            return std::nullopt; // a label that elides on purpose (the path)
        return std::pair{label->text(), label->wordWrap() ? 0 : label->sizeHint().width()};
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(w))
        return button->text().isEmpty() ? std::nullopt
                                        : std::optional(std::pair{button->text(), button->sizeHint().width()});
    // The file dialog's folder box shows a path, which may be any length; what it holds
    // is not interface text.
    if (const auto* combo = qobject_cast<const QComboBox*>(w))
        return combo->objectName() == QLatin1String("lookInCombo")
            ? std::nullopt
            : std::optional(std::pair{combo->currentText(), combo->sizeHint().width()});
    if (const auto* text = qobject_cast<const PanelText*>(w))
        return std::pair{text->text(), text->sizeHint().width()};
    if (const auto* item = qobject_cast<const ZoomMenuItem*>(w))
        return std::pair{item->title() + QLatin1Char(' ') + item->hint(), item->sizeHint().width()};
    if (const auto* button = qobject_cast<const ToolbarButton*>(w))
        return std::pair{QStringLiteral("toolbar button"), button->sizeHint().width()};
    if (const auto* bubble = qobject_cast<const TooltipBubble*>(w))
        return std::pair{bubble->text(), bubble->sizeHint().width()};
    return std::nullopt;
}

void checkTree(QWidget* root, const QString& where)
{
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    QList<QWidget*> texts;
    for (QWidget* w : std::as_const(widgets)) {
        if (!w->isVisible())
            continue;
        const auto need = textNeed(w);
        if (!need)
            continue;
        texts << w;
        const auto* label = qobject_cast<const QLabel*>(w);
        if (label && label->wordWrap()) {
            if (label->heightForWidth(label->width()) > label->height())
                problem(where, QStringLiteral("\"%1\" wraps to %2 points in %3").arg(need->first).arg(
                                   label->heightForWidth(label->width())).arg(label->height()));
        } else if (need->second > w->width()) {
            problem(where, QStringLiteral("\"%1\" needs %2 points, has %3").arg(need->first).arg(need->second).arg(w->width()));
        }
    }
    for (int i = 0; i < texts.size(); ++i)
        for (int j = i + 1; j < texts.size(); ++j)
            if (texts[i]->parentWidget() == texts[j]->parentWidget() && texts[i]->geometry().intersects(texts[j]->geometry()))
                problem(where, QStringLiteral("\"%1\" overlaps \"%2\"").arg(textNeed(texts[i])->first, textNeed(texts[j])->first));
}

void checkMenu(QMenu* menu, const QString& where)
{
    menu->popup(QPoint(10, 10));
    QApplication::processEvents();
    const QFontMetrics metrics(menu->font());
    for (QAction* action : menu->actions()) {
        if (action->isSeparator())
            continue;
        const QString title = action->text().section(QLatin1Char('\t'), 0, 0).remove(QLatin1Char('&'));
        const QString keys = action->text().section(QLatin1Char('\t'), 1);
        if (metrics.horizontalAdvance(title) + metrics.horizontalAdvance(keys) > menu->actionGeometry(action).width())
            problem(where, QStringLiteral("menu item \"%1\" is cut").arg(title));
        if (action->menu())
            checkMenu(action->menu(), where);
    }
    menu->hide();
}

// Shows a top-level widget at its own size, as its popover or window would.
void present(QWidget* widget)
{
    widget->adjustSize();
    widget->show();
    QApplication::processEvents();
    widget->adjustSize();
    QApplication::processEvents();
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

    std::vector<std::unique_ptr<QWidget>> panels;
    for (ToolType tool : {ToolType::line, ToolType::arrow, ToolType::rectangle, ToolType::text, ToolType::freehand,
                          ToolType::highlighter, ToolType::number, ToolType::mosaic, ToolType::spotlight})
        panels.emplace_back(makeToolPropertyPanel(tool, viewModel));
    panels.emplace_back(new ResizePanelView(viewModel, {}));
    panels.emplace_back(new BackdropPanelView(viewModel));
    ZoomMenu zoomMenu(viewModel, {}, {});
    OCRResultPanel recognisedText(viewModel);
    SaveToast saveToast(QUrl::fromLocalFile(QStringLiteral("/tmp/Lumetra 2025-03-01 at 14.05.09.png")), {}, {}, {});
    CopyToast copyToast({});
    TooltipBubble bubble;

    QMenuBar menuBar;
    new AppMenuBar(&menuBar, ShortcutStore::shared());
    NoTray tray;
    StatusMenuActions actions;
    actions.captureAndAnnotate = [] {};
    actions.openLumetra = [] {};
    actions.showAbout = [] {};
    actions.checkForUpdates = [] {};
    actions.quit = [] {};
    StatusMenuController statusMenu(&tray, defaults, ShortcutStore::shared(), actions);
    statusMenu.setupStatusItem();

    for (const char* language : {"en", "zh-Hans", "zh-Hant", "ja", "ko", "de", "fr", "es", "it", "ru"}) {
        defaults.set(Settings::appLanguage.name(), QString::fromLatin1(language));
        const QString in = QStringLiteral(" (%1)").arg(QLatin1String(language));
        QApplication::processEvents();

        viewModel->clearImage();
        QApplication::processEvents();
        checkTree(&content, QStringLiteral("empty editor") + in);
        viewModel->setLoadedImage(Image(image), QUrl::fromLocalFile(QStringLiteral("/tmp/layout.png")));
        QApplication::processEvents();
        checkTree(&content, QStringLiteral("editor") + in);
        viewModel->selectTool(ToolType::crop);
        viewModel->setCropRect(QRectF(10, 10, 200, 100));
        QApplication::processEvents();
        checkTree(&content, QStringLiteral("crop bar") + in);
        viewModel->selectTool(ToolType::none);

        for (const auto& panel : std::as_const(panels)) {
            present(panel.get());
            checkTree(panel.get(), QString::fromLatin1(panel->metaObject()->className()) + in);
            panel->hide();
        }
        viewModel->setOcrPanelState(OCRPanelState::text(QStringLiteral("Lumetra")));
        for (QWidget* popup : std::initializer_list<QWidget*>{&zoomMenu, &saveToast, &copyToast, &recognisedText}) {
            present(popup);
            checkTree(popup, QString::fromLatin1(popup->metaObject()->className()) + in);
            popup->hide();
        }
        FloatingToolbar* toolbar = content.findChild<FloatingToolbar*>();
        QList<HoverTooltip*> tooltips = toolbar->findChildren<HoverTooltip*>();
        for (HoverTooltip* tooltip : std::as_const(tooltips)) {
            bubble.setText(tooltip->bubbleText());
            present(&bubble);
            checkTree(&bubble, QStringLiteral("tooltip") + in);
        }
        bubble.hide();

        SavePanel savePanel(nullptr, QStringLiteral("jpeg"), 0.9);
        savePanel.show(); // at the size it opens with
        QApplication::processEvents();
        checkTree(&savePanel, QStringLiteral("save panel") + in);
        savePanel.hide();

        showAboutWindow();
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->windowTitle() == aboutWindowTitle && window->isVisible()) {
                QApplication::processEvents();
                checkTree(window, QStringLiteral("about window") + in);
                window->close();
            }

        for (QMenu* menu : menuBar.findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly))
            checkMenu(menu, QStringLiteral("menu ") + menu->title() + in);
        checkMenu(statusMenu.menu(), QStringLiteral("tray menu") + in);
        std::unique_ptr<QMenu> contextMenu(buildEditorContextMenu(viewModel, {}));
        checkMenu(contextMenu.get(), QStringLiteral("context menu") + in);
    }

    for (const QString& line : std::as_const(problems))
        std::printf("%s\n", line.toUtf8().constData());
    std::printf("checked, %lld problems\n", static_cast<long long>(problems.size()));
    return problems.isEmpty() ? 0 : 1;
}
