#include "App/AboutWindow.h"

#include "Core/LanguageRefresh.h"
#include "Core/Localization.h"

#include <QApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QLabel* smallSecondaryLabel(QWidget* parent)
{
    auto* label = new QLabel(parent);
    // Small print: 11 against the desktop's 13-point body text, scaled to this desktop.
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 11.0 / 13.0);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

// A framed picture, drawn when no icon is bundled.
QPixmap pictureSymbol(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor blue(0, 122, 255);
    const qreal pen = size / 16.0;
    painter.setPen(QPen(blue, pen));
    painter.setBrush(Qt::NoBrush);
    const QRectF frame(pen, size * 0.15, size - 2 * pen, size * 0.7);
    painter.drawRoundedRect(frame, size * 0.08, size * 0.08);
    QPainterPath mountain;
    mountain.moveTo(frame.left() + pen, frame.bottom() - pen);
    mountain.lineTo(frame.left() + frame.width() * 0.4, frame.top() + frame.height() * 0.4);
    mountain.lineTo(frame.left() + frame.width() * 0.65, frame.top() + frame.height() * 0.7);
    mountain.lineTo(frame.left() + frame.width() * 0.78, frame.top() + frame.height() * 0.55);
    mountain.lineTo(frame.right() - pen, frame.bottom() - pen);
    mountain.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(blue);
    painter.drawPath(mountain);
    painter.drawEllipse(QPointF(frame.left() + frame.width() * 0.75, frame.top() + frame.height() * 0.28), size * 0.06,
                        size * 0.06);
    return pixmap;
}

} // namespace

QString appVersion()
{
    const QString version = QStringLiteral(LUMETRA_VERSION);
    return version.isEmpty() ? QStringLiteral("0.2.0") : version;
}

// ---- AboutContentView ---------------------------------------------------------------------

AboutContentView::AboutContentView(QWidget* parent)
    : QWidget(parent)
    , m_icon(new QLabel(this))
    , m_name(new QLabel(QStringLiteral("Lumetra"), this))
    , m_description(new QLabel(this))
    , m_version(smallSecondaryLabel(this))
    , m_copyright(smallSecondaryLabel(this))
    , m_madeWith(smallSecondaryLabel(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_icon->setFixedSize(iconSize, iconSize);
    m_icon->setScaledContents(true);
    m_icon->setPixmap(iconPixmap());
    layout->addWidget(m_icon, 0, Qt::AlignHCenter);
    layout->addSpacing(12);

    QFont nameFont = m_name->font();
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.5);
    nameFont.setBold(true);
    m_name->setFont(nameFont);
    m_name->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_name);
    layout->addSpacing(16);

    m_description->setWordWrap(true);
    m_description->setAlignment(Qt::AlignCenter);
    m_description->setContentsMargins(16, 0, 16, 0);
    m_description->setTextFormat(Qt::PlainText);
    layout->addWidget(m_description);
    layout->addSpacing(20);

    auto* lines = new QVBoxLayout;
    lines->setSpacing(8);
    lines->addWidget(m_version);
    lines->addWidget(m_copyright);
    lines->addWidget(m_madeWith);
    layout->addLayout(lines);

    retranslate();
    connect(&LanguageRefresh::shared(), &LanguageRefresh::languageChanged, this, &AboutContentView::retranslate);
}

QPixmap AboutContentView::iconPixmap(QString* source)
{
    const struct {
        const char* name;
        const char* path;
    } candidates[] = {
        {"AppIcon", ":/icons/AppIcon.svg"},
        {"icon_64x64", ":/icons/icon_64x64.png"},
    };
    for (const auto& candidate : candidates) {
        const QIcon icon(QString::fromLatin1(candidate.path));
        const QPixmap pixmap = icon.pixmap(iconSize * 2, iconSize * 2);
        if (!pixmap.isNull()) {
            if (source)
                *source = QString::fromLatin1(candidate.name);
            return pixmap;
        }
    }
    if (source)
        *source = QStringLiteral("photo.artframe");
    return pictureSymbol(iconSize * 2);
}

QString AboutContentView::descriptionText() const { return m_description->text(); }
QString AboutContentView::versionText() const { return m_version->text(); }
QString AboutContentView::copyrightText() const { return m_copyright->text(); }
QString AboutContentView::madeWithText() const { return m_madeWith->text(); }

void AboutContentView::retranslate()
{
    m_description->setText(localized(QStringLiteral("about.description")));
    m_version->setText(localized(QStringLiteral("settings.version")) + QLatin1Char(' ') + appVersion());
    m_copyright->setText(localized(QStringLiteral("settings.copyright")));
    m_madeWith->setText(localized(QStringLiteral("about.madeWith")));
}

// ---- AboutView, AboutSettingsView ----------------------------------------------------------

AboutView::AboutView(QWidget* parent)
    : QWidget(parent)
    , m_content(new AboutContentView(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->addWidget(m_content);
    setFixedWidth(320);
    // Once the panel has taken the new texts and its layout has settled on them.
    connect(&LanguageRefresh::shared(), &LanguageRefresh::languageChanged, this,
            [this] { QTimer::singleShot(0, this, &AboutView::fitToContent); });
}

void AboutView::fitToContent()
{
    const int needed = heightForWidth(320) > 0 ? heightForWidth(320) : sizeHint().height();
    setFixedSize(320, std::max(240, needed));
}

AboutSettingsView::AboutSettingsView(QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    // The panel spans the tab, so the description wraps over its width, not into the
    // narrow column a word-wrapped label asks for on its own.
    layout->addStretch();
    layout->addWidget(new AboutContentView(this));
    layout->addStretch();
}

// ---- showAboutWindow ------------------------------------------------------------------------

void showAboutWindow()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isWindow() && window->windowTitle() == aboutWindowTitle) {
            window->show();
            window->raise();
            window->activateWindow();
            return;
        }
    }
    auto* window = new AboutView;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    window->setWindowTitle(aboutWindowTitle);
    window->setObjectName(QStringLiteral("lumetraAboutWindow"));
    // Escape and Ctrl+W close a dialog-like window on Linux desktops.
    for (const QKeySequence& keys : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)})
        QObject::connect(new QShortcut(keys, window), &QShortcut::activated, window, &QWidget::close);
    window->fitToContent();
    if (QScreen* screen = QGuiApplication::primaryScreen())
        window->move(screen->availableGeometry().center() - window->rect().center());
    window->show();
    window->raise();
    window->activateWindow();
}
