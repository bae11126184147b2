#include "Output/SavePanelChoices.h"

#include "Core/Localization.h"
#include "Core/Settings.h"
#include "Models/ImageDocument.h"
#include "Output/ExportFormats.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>

QString SavePanelChoices::defaultName(const std::optional<QString>& imagePath, const QDateTime& now)
{
    if (imagePath && !imagePath->isEmpty()) {
        const QString name = QFileInfo(*imagePath).fileName();
        const int dot = name.lastIndexOf(QLatin1Char('.'));
        return dot > 0 ? name.left(dot) : name;
    }
    return QStringLiteral("Lumetra ") + ImageDocument::formatNameDate(now);
}

QString SavePanelChoices::proposedFileName(const std::optional<QString>& imagePath, const QDateTime& now,
                                          const QString& formatId)
{
    if (imagePath && !imagePath->isEmpty()) {
        const QString name = QFileInfo(*imagePath).fileName();
        if (ExportFormats::formatIdOfName(name) == formatId)
            return name;
    }
    return ExportFormats::fileNameForFormat(defaultName(imagePath, now), formatId);
}

namespace {

QString s_lastSavedFolder;

bool isFolder(const QString& path) { return !path.isEmpty() && QFileInfo(path).isDir(); }

} // namespace

void SavePanelChoices::rememberSavedFolder(const QString& folder)
{
    s_lastSavedFolder = folder;
}

QString SavePanelChoices::defaultFolder(const std::optional<QString>& lastSavedPath,
                                        const std::optional<QString>& imagePath)
{
    if (lastSavedPath && !lastSavedPath->isEmpty())
        return QFileInfo(*lastSavedPath).absolutePath();
    if (imagePath && QFileInfo(*imagePath).isFile())
        return QFileInfo(*imagePath).absolutePath();
    if (isFolder(s_lastSavedFolder))
        return s_lastSavedFolder;
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (isFolder(pictures))
        return pictures;
    return QDir::homePath();
}

QString SavePanelChoices::qualityPercentText(double quality)
{
    const double percent = std::isfinite(quality) ? quality * 100.0 : 0.0;
    return QString::number(static_cast<long long>(std::round(percent))) + QLatin1Char('%');
}

QString SavePanelChoices::rowLabelText(const QString& key)
{
    const AppLanguage language = AppLanguages::current();
    const bool chinese = language == AppLanguage::chineseSimplified || language == AppLanguage::chineseTraditional;
    return localized(key) + (chinese ? QStringLiteral("\uFF1A") : QStringLiteral(":"));
}

QString SavePanelChoices::storedFormat(const UserDefaults& defaults)
{
    return ExportFormats::normalizedFormatId(Settings::defaultSaveFormat.read(defaults));
}

double SavePanelChoices::storedQuality(const UserDefaults& defaults)
{
    const double quality = Settings::defaultJpegQuality.read(defaults);
    if (!std::isfinite(quality) || quality < 0.1 || quality > 1.0)
        return Settings::defaultJpegQuality.defaultValue;
    return quality;
}

void SavePanelChoices::store(UserDefaults& defaults, const QString& formatId, double quality)
{
    Settings::defaultSaveFormat.write(formatId, defaults);
    Settings::defaultJpegQuality.write(quality, defaults);
}

int SavePanelChoices::sliderValue(double quality)
{
    if (!std::isfinite(quality))
        return 90;
    return static_cast<int>(std::lround(std::clamp(quality, 0.1, 1.0) * 100.0));
}

double SavePanelChoices::qualityForSlider(int value)
{
    return std::clamp(value, 10, 100) / 100.0;
}
