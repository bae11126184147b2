#include "App/QtTranslations.h"

#include "Base/Logger.h"
#include "Core/LanguageRefresh.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>

QString QtTranslations::defaultDirectory()
{
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

QString QtTranslations::catalogueSuffix(AppLanguage language)
{
    switch (language) {
    case AppLanguage::system:
        return catalogueSuffix(AppLanguages::systemPreferred());
    case AppLanguage::english:
        return {};
    case AppLanguage::chineseSimplified:
        return QStringLiteral("zh_CN");
    case AppLanguage::chineseTraditional:
        return QStringLiteral("zh_TW");
    default:
        // The remaining codes ("de", "ja", ...) are Qt's file suffixes as they stand.
        return AppLanguages::rawValue(language);
    }
}

QtTranslations::QtTranslations(LanguageRefresh& refresh, const QString& directory, QObject* parent)
    : QObject(parent)
    , m_directory(directory)
{
    connect(&refresh, &LanguageRefresh::languageChanged, this, &QtTranslations::reload);
    reload();
}

QtTranslations::~QtTranslations()
{
    if (m_translator)
        QCoreApplication::removeTranslator(m_translator.get());
}

void QtTranslations::reload()
{
    const QString suffix = catalogueSuffix(AppLanguages::current());
    const QString file = suffix.isEmpty()
        ? QString()
        : QDir(m_directory).filePath(QStringLiteral("qtbase_%1.qm").arg(suffix));
    if (file == m_loadedFile)
        return;

    // The exact file only: QTranslator's own search would fall back to other names.
    std::unique_ptr<QTranslator> next;
    if (!file.isEmpty() && QFileInfo::exists(file)) {
        next = std::make_unique<QTranslator>();
        if (!next->load(file)) {
            Logger::shared().log(LogLevel::warning, [&] {
                return QStringLiteral("⚠️ Could not load Qt's translations from %1").arg(file);
            });
            next.reset();
        }
    }

    // The new catalogue goes in before the old one leaves, so no moment shows a mix.
    if (next)
        QCoreApplication::installTranslator(next.get());
    if (m_translator)
        QCoreApplication::removeTranslator(m_translator.get());
    m_translator = std::move(next);
    m_loadedFile = m_translator ? file : QString();
}
