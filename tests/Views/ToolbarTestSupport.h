#pragma once

// Helpers of the toolbar, tooltip, zoom menu and crop tests: a timer the test advances
// by hand, the symbols read from the source tree, and an editor window content made of
// a canvas with the crop overlay and the floating toolbar over it.

#include "Models/EditorTestSupport.h"
#include "Models/ImageEditorViewModel.h"
#include "Views/CropOverlay.h"
#include "Views/EditorCanvasView.h"
#include "Views/FloatingToolbar.h"
#include "Views/HoverTooltip.h"
#include "Views/PopoverHost.h"
#include "Views/ToolbarIcons.h"

#include <QDir>
#include <QTest>
#include <QUrl>
#include <QWidget>

#include <chrono>
#include <map>
#include <memory>

namespace ToolbarTest {

// Delayed work run only when the test moves time on.
class FakeTooltipTimer : public TooltipTimer {
public:
    Token schedule(std::chrono::milliseconds delay, std::function<void()> work) override
    {
        const Token token = ++m_next;
        m_pending.emplace(token, Pending{ m_now + delay, std::move(work) });
        return token;
    }
    void cancel(Token token) override { m_pending.erase(token); }

    // Moves the clock on and runs, in order of due time, what has come due.
    void advance(std::chrono::milliseconds step)
    {
        const auto until = m_now + step;
        for (;;) {
            auto next = m_pending.end();
            for (auto it = m_pending.begin(); it != m_pending.end(); ++it)
                if (it->second.due <= until && (next == m_pending.end() || it->second.due < next->second.due))
                    next = it;
            if (next == m_pending.end())
                break;
            m_now = next->second.due;
            auto work = std::move(next->second.work);
            m_pending.erase(next);
            work();
        }
        m_now = until;
    }
    std::size_t pendingCount() const { return m_pending.size(); }

private:
    struct Pending {
        std::chrono::milliseconds due;
        std::function<void()> work;
    };
    Token m_next = 0;
    std::chrono::milliseconds m_now { 0 };
    std::map<Token, Pending> m_pending;
};

// The source tree, which holds the symbols (the test programs carry no resources).
inline QString sourceRoot() { return QStringLiteral(LUMETRA_SOURCE_DIR); }

inline void useSourceIcons()
{
    ToolbarIcons::setIconDirectory(QDir(sourceRoot()).absoluteFilePath(QStringLiteral("resources/icons")));
}

using EditorTestSupport::solidImage;

// A window holding a canvas with the crop overlay and the floating toolbar placed
// at the bottom of it, as the editor's content lays them out.
struct ToolbarWindow {
    FakeTooltipTimer timer;
    ImageEditorViewModel model;
    QWidget window;
    EditorCanvasView* canvas = nullptr;
    std::unique_ptr<CropOverlay> crop;
    FloatingToolbar* toolbar = nullptr;
    int fits = 0;
    int confirms = 0;

    explicit ToolbarWindow(QSize size = QSize(900, 560))
    {
        useSourceIcons();
        WindowChrome::setTranslucencyProbeForTesting([] { return false; });
        window.resize(size);
        canvas = new EditorCanvasView(&model, &window);
        canvas->setGeometry(0, 0, size.width(), size.height());
        crop = std::make_unique<CropOverlay>(&model, canvas);
        toolbar = new FloatingToolbar(
            &model, [this] { ++fits; },
            [this] {
                ++confirms;
                if (model.selectedImage() && model.isCropping())
                    model.applyCrop(canvas->scaledSize());
            },
            &window, &timer);
        toolbar->placeIn(QRect(0, 0, size.width(), size.height()));
        window.show();
        (void)QTest::qWaitForWindowExposed(&window);
    }

    void load(const Image& image = solidImage(400, 300))
    {
        model.setLoadedImage(image, QUrl::fromLocalFile(QStringLiteral("/tmp/toolbar.png")));
    }
};

} // namespace ToolbarTest
