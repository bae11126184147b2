#include "Platform/OpenPanel.h"

#include <QFileDialog>
#include <QStringList>

namespace {

class FileDialogOpenPanel final : public OpenPanel {
public:
    std::optional<QString> chooseImageFile(const QString& nameFilter) override
    {
        QFileDialog dialog;
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setNameFilter(nameFilter);
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
