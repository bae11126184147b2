#include "Base/Logger.h"

#include <cstdio>

Logger& Logger::shared()
{
    // Never destroyed: threads may still log while static destructors run.
    static Logger* instance = new Logger();
    return *instance;
}

std::string Logger::formatLine(LogLevel level, const std::string& message)
{
    std::string line;
    line.reserve(message.size() + 16);
    if (level == LogLevel::error)
        line += "\xE2\x9D\x8C [ERROR] ";          // U+274C
    else
        line += "\xE2\x9A\xA0\xEF\xB8\x8F [WARN] "; // U+26A0 U+FE0F
    line += message;
    return line;
}

void Logger::write(LogLevel level, const std::string& message)
{
    std::string line = formatLine(level, message);
    line += '\n';
    // One fwrite per line keeps lines from different threads whole; flushing makes
    // the line visible at once even when standard output is a pipe.
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}
