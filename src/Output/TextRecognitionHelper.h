#pragma once

// One lumetra-ocr program started and handed the request's first part (see
// Output/TextRecognitionProtocol.h): its engines load from then on, while Lumetra
// prepares the page, or, for a program kept ready, until a page comes.

#include "Platform/ChildProcess.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <functional>

namespace TextRecognitionHelper {

// What a program is started for; it reads pages for nothing else.
struct Request {
    QString program;
    QByteArray languages; // "chi_sim+chi_tra+eng"
    QByteArray dataPath;  // empty: Tesseract's own
    bool operator==(const Request&) const = default;
};

struct Started {
    pid_t pid = -1;
    ChildProcess::Fd input; // Lumetra's end of the program's standard input
    ChildProcess::Fd output;
};

// Starts `request.program`, its standard input a socket, and sends it the first part.
// 0, or why it did not start.
int start(const Request& request, Started& started);

enum class Sent { whole, refused, late, cancelled };

// Sends the page's size and the image itself (grey where it is Grayscale8, else its red,
// green and blue), which the program's plain engine starts reading at once. Refused
// where the program takes no more (it has ended); a program that stops reading is given
// up at the deadline, or once `cancelled` says so. Where the image was refused, *error
// says why (as errno said it when it happened).
Sent sendImage(Started& started, const QImage& image, ChildProcess::Clock::time_point deadline,
               const std::function<bool()>& cancelled = {}, int* error = nullptr);

// After sendImage, with the same size: the page as dark ink on paper (Grayscale8) and
// its marks (null: none misjudged), then closes the program's input. As sendImage.
Sent sendInk(Started& started, const QImage& paper, const QImage& misjudged, ChildProcess::Clock::time_point deadline,
             const std::function<bool()>& cancelled = {}, int* error = nullptr);

// Closes the program's input and output and collects it off the calling thread. A
// program still waiting for its page leaves at the end of its input; one that does not
// within TextRecognitionProtocol::leaveMilliseconds is ended.
void letGo(Started&& started);

} // namespace TextRecognitionHelper
