#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

// Files handed to Lumetra from outside the editor window (the command line, a second
// launch, the Open command) and the road they take to the editor.
namespace FileOpening {

// The accepted file-name extensions, lower case, in order.
const QStringList& acceptedExtensions();

// Whether a path names a file type the editor opens (its extension, lower-cased, is
// accepted). Logs "❌ 不支持的文件格式: <ext>" when it is not.
bool isAcceptedFile(const QString& path);

} // namespace FileOpening
