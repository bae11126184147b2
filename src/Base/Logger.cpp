#include "Base/Logger.h"

#include <cstdio>
#include <cstdlib>
#include <strings.h>

Logger& Logger::shared()
{
    // Never destroyed: threads may still log while static destructors run.
    static Logger* instance = new Logger();
    return *instance;
}

Logger::Logger()
{
    if (const std::optional<LogLevel> asked = levelNamed(std::getenv("LUMETRA_LOG")))
        m_threshold = static_cast<std::uint8_t>(*asked);
}

std::optional<LogLevel> Logger::levelNamed(const char* name)
{
    if (!name)
        return std::nullopt;
    static const struct {
        const char* name;
        LogLevel level;
    } names[] = {{"error", LogLevel::error}, {"warning", LogLevel::warning}, {"warn", LogLevel::warning},
                 {"info", LogLevel::info}, {"debug", LogLevel::debug}};
    for (const auto& entry : names) {
        if (strcasecmp(name, entry.name) == 0)
            return entry.level;
    }
    return std::nullopt;
}

void Logger::setThreshold(LogLevel level)
{
    std::lock_guard<std::mutex> lock(m_levelLock);
    m_threshold = static_cast<std::uint8_t>(level);
}

LogLevel Logger::threshold()
{
    std::lock_guard<std::mutex> lock(m_levelLock);
    return static_cast<LogLevel>(m_threshold);
}

std::string Logger::formatLine(LogLevel level, const std::string& message)
{
    std::string line;
    line.reserve(message.size() + 16);
    switch (level) {
    case LogLevel::error:
        line += "\xE2\x9D\x8C [ERROR] "; // U+274C
        break;
    case LogLevel::warning:
        line += "\xE2\x9A\xA0\xEF\xB8\x8F [WARN] "; // U+26A0 U+FE0F
        break;
    case LogLevel::info:
        line += "\xE2\x84\xB9\xEF\xB8\x8F [INFO] "; // U+2139 U+FE0F
        break;
    default:
        line += "\xF0\x9F\x94\x8D [DEBUG] "; // U+1F50D
        break;
    }
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
