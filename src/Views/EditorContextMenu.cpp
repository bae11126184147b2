#include "Views/EditorContextMenu.h"

#include "Core/Localization.h"
#include "Core/Notifications.h"
#include "Core/ShortcutStore.h"
#include "Models/ImageEditorViewModel.h"
#include "Views/CommandRouter.h"

#include <QMenu>

#include <optional>

namespace {

constexpr quint64 kCtrl = ShortcutBinding::commandFlag;
constexpr quint64 kCtrlShift = ShortcutBinding::commandFlag | ShortcutBinding::shiftFlag;
constexpr quint64 kCtrlAlt = ShortcutBinding::commandFlag | ShortcutBinding::optionFlag;

// The zoom items stop short of the zoom limits (16 and 0.01).
constexpr double kZoomInLimit = 15.999;
constexpr double kZoomOutLimit = 0.011;

ShortcutBinding fixedKey(quint64 flags, const QString& character) { return ShortcutBinding{ 0, flags, character }; }

// The user's binding of a rebindable action, else the design's default for it.
ShortcutBinding storeKey(ShortcutAction action, quint64 fallbackFlags, const QString& fallbackCharacter)
{
    const ShortcutStore::Bindings& bindings = ShortcutStore::shared().bindings();
    const auto found = bindings.constFind(action);
    return found != bindings.constEnd() ? *found : fixedKey(fallbackFlags, fallbackCharacter);
}

QString itemTitle(const QString& key, const std::optional<ShortcutBinding>& binding)
{
    // A menu reads "&" as the mark of an accelerator; the texts mean it literally.
    QString title = localized(key).replace(QLatin1Char('&'), QStringLiteral("&&"));
    if (binding)
        title += QLatin1Char('\t') + contextMenuKeyText(*binding);
    return title;
}

QAction* addItem(QMenu* menu, const char* titleKey, const std::optional<ShortcutBinding>& binding, bool enabled,
                 std::function<void()> action)
{
    QAction* item = menu->addAction(itemTitle(QString::fromLatin1(titleKey), binding));
    item->setObjectName(QString::fromLatin1(titleKey));
    item->setEnabled(enabled);
    QObject::connect(item, &QAction::triggered, item, [action = std::move(action)] { action(); });
    return item;
}

void post(NotificationName name) { NotificationCenter::defaultCenter().post(name); }

} // namespace

QString contextMenuKeyText(const ShortcutBinding& binding) { return binding.displayText(); }

QMenu* buildEditorContextMenu(ImageEditorViewModel* viewModel, const EditorContextMenuHooks& hooks, QWidget* parent)
{
    auto* menu = new QMenu(parent);
    ImageEditorViewModel* vm = viewModel;
    const bool open = vm->selectedImage().has_value();
    // A command on the whole document takes what is being typed in first.
    const auto afterText = [vm](std::function<void()> action) {
        return [vm, action = std::move(action)] {
            EditorCommands::finishTextEditing(*vm);
            action();
        };
    };

    addItem(menu, "menu.openImage", fixedKey(kCtrl, QStringLiteral("o")), true, [vm] { vm->openImage(); });
    addItem(menu, "menu.saveImage", fixedKey(kCtrl, QStringLiteral("s")), open, [] { post(Notifications::saveImage); });
    addItem(menu, "menu.saveAs", storeKey(ShortcutAction::saveAs, kCtrlShift, QStringLiteral("s")), open,
            [] { post(Notifications::saveAsImage); });
    addItem(menu, "menu.copyImage", storeKey(ShortcutAction::copyImage, kCtrlShift, QStringLiteral("c")), open,
            [] { post(Notifications::copyImage); });
    menu->addSeparator();

    const double zoom = vm->zoomLevel();
    addItem(menu, "menu.zoomIn", fixedKey(kCtrl, QStringLiteral("+")), open && zoom < kZoomInLimit,
            [vm] { vm->zoomIn(); });
    addItem(menu, "menu.zoomOut", fixedKey(kCtrl, QStringLiteral("-")), open && zoom > kZoomOutLimit,
            [vm] { vm->zoomOut(); });
    const std::function<QSizeF()> fitArea = hooks.fitAreaSize;
    addItem(menu, "menu.fitToWindow", fixedKey(kCtrl, QStringLiteral("0")), open, [vm, fitArea] {
        if (fitArea)
            vm->fitZoom(fitArea());
    });
    addItem(menu, "menu.actualSize", fixedKey(kCtrl, QStringLiteral("1")), open, [vm] { vm->setZoomLevel(1.0); });
    menu->addSeparator();

    addItem(menu, "menu.undo", fixedKey(kCtrl, QStringLiteral("z")), vm->canUndo(), afterText([vm] { vm->undo(); }));
    addItem(menu, "menu.redo", fixedKey(kCtrlShift, QStringLiteral("z")), vm->canRedo(),
            afterText([vm] { vm->redo(); }));
    addItem(menu, "menu.crop", fixedKey(kCtrl, QStringLiteral("x")), open,
            afterText([vm] { vm->selectTool(ToolType::crop); }));
    addItem(menu, "menu.resize", storeKey(ShortcutAction::resizePanel, kCtrlAlt, QStringLiteral("i")), open,
            [] { post(Notifications::resizePanel); });
    QAction* backdrop = addItem(menu, "menu.backdrop",
                                storeKey(ShortcutAction::backdropToggle, kCtrlShift, QStringLiteral("b")), open,
                                [vm] { vm->setBackdropEnabled(!vm->isBackdropEnabled()); });
    backdrop->setCheckable(true);
    backdrop->setChecked(vm->isBackdropEnabled());
    const bool recognizing = vm->ocrPanelState() && vm->ocrPanelState()->isRecognizing();
    addItem(menu, "menu.ocr", storeKey(ShortcutAction::ocrText, kCtrlShift, QStringLiteral("o")), open && !recognizing,
            [vm] {
                // The recognition command toggles the panel; from the menu it always
                // recognises afresh, so a result on show is put away first.
                if (vm->ocrPanelState())
                    vm->setOcrPanelState(std::nullopt);
                post(Notifications::ocrToggle);
            });
    addItem(menu, "menu.pin", storeKey(ShortcutAction::pinImage, kCtrlShift, QStringLiteral("p")), open,
            [] { post(Notifications::pinImage); });
    addItem(menu, "menu.rotateLeft", fixedKey(kCtrl, QStringLiteral("←")), open, afterText([vm] { vm->rotateLeft(); }));
    addItem(menu, "menu.rotateRight", fixedKey(kCtrl, QStringLiteral("→")), open,
            afterText([vm] { vm->rotateRight(); }));
    if (open) {
        QMenu* scale = menu->addMenu(itemTitle(QStringLiteral("menu.scaleImage"), std::nullopt));
        scale->menuAction()->setObjectName(QStringLiteral("menu.scaleImage"));
        for (int percent = 10; percent <= 200; percent += 10) {
            QAction* item = scale->addAction(QString::number(percent) + QStringLiteral("%"));
            QObject::connect(item, &QAction::triggered, item,
                             afterText([vm, percent] { vm->applyScale(percent / 100.0); }));
        }
    }
    addItem(menu, "menu.resetAll", fixedKey(kCtrl, QStringLiteral("r")), open,
            afterText([vm] { vm->revertToOriginal(); }));
    menu->addSeparator();
    addItem(menu, "menu.clearImage", fixedKey(kCtrl, QStringLiteral("\b")), open,
            afterText([vm] { vm->clearImage(); }));
    menu->addSeparator();
    const std::function<void()> showAbout = hooks.showAbout;
    const std::function<void()> quit = hooks.quit;
    addItem(menu, "menu.about", std::nullopt, true, [showAbout] {
        if (showAbout)
            showAbout();
    });
    addItem(menu, "menu.quit", fixedKey(kCtrl, QStringLiteral("q")), true, [quit] {
        if (quit)
            quit();
    });
    return menu;
}

// ---- presenter ----------------------------------------------------------------------------------

ContextMenuPresenter::ContextMenuPresenter(QObject* parent) : QObject(parent) {}

ContextMenuPresenter::~ContextMenuPresenter() { delete m_menu.data(); }

void ContextMenuPresenter::stop()
{
    m_running = false;
    if (m_menu)
        m_menu->deleteLater();
    m_menu.clear();
}

bool ContextMenuPresenter::present(QPoint globalPosition)
{
    if (!m_running || !buildMenu)
        return false;
    if (m_menu)
        m_menu->deleteLater();
    m_menu = buildMenu();
    if (!m_menu)
        return false;
    m_menu->popup(globalPosition);
    return true;
}
