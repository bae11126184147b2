#include "Platform/OpenPanel.h"

#include "Core/Localization.h"

#include <QFileDialog>
#include <QStringList>

namespace {

class FileDialogOpenPanel final : public OpenPanel {
public:
    std::optional<QString> chooseImageFile() override
    {
        QFileDialog dialog;
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setNameFilter(openPanelImageFilter());
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        const QStringList files = dialog.selectedFiles();
        if (files.isEmpty())
            return std::nullopt;
        return files.first();
    }
};

OpenPanel* g_testingPanel = nullptr;

} // namespace

OpenPanel& OpenPanel::standard()
{
    if (g_testingPanel)
        return *g_testingPanel;
    static FileDialogOpenPanel panel;
    return panel;
}

void OpenPanel::setStandardForTesting(OpenPanel* panel) { g_testingPanel = panel; }

QString openPanelImageFilter()
{
    static const QStringList patterns {
        QStringLiteral("*.png"), QStringLiteral("*.jpg"), QStringLiteral("*.jpeg"), QStringLiteral("*.tif"),
        QStringLiteral("*.tiff"), QStringLiteral("*.gif"), QStringLiteral("*.bmp"), QStringLiteral("*.webp"),
        QStringLiteral("*.heic"), QStringLiteral("*.heif"), QStringLiteral("*.psd"),
    };
    QStringList both = patterns;
    for (const QString& p : patterns)
        both << p.toUpper();
    return localizedFormat(QStringLiteral("openPanel.imageFilter"), {both.join(QLatin1Char(' '))});
}
