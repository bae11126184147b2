#pragma once

#include <QString>

#include <cstdint>
#include <mutex>
#include <string>
#include <type_traits>
#include <utility>

// Severity of one log call. Only error and warning are ever printed.
enum class LogLevel : std::uint8_t {
    error = 1,
    warning = 2,
    info = 3,
    debug = 4,
};

// The program's one diagnostic channel. Messages are passed as callables so that
// suppressed levels never pay for building their text.
class Logger {
public:
    static Logger& shared();

    template <typename MessageFn>
    void log(LogLevel level, MessageFn&& message)
    {
        std::uint8_t threshold;
        {
            std::lock_guard<std::mutex> lock(m_levelLock);
            threshold = m_threshold;
        }
        if (static_cast<std::uint8_t>(level) > threshold)
            return;
        write(level, toUtf8(std::forward<MessageFn>(message)()));
    }

    // The printed form of one line, without the trailing newline.
    static std::string formatLine(LogLevel level, const std::string& message);

private:
    Logger() = default;
    void write(LogLevel level, const std::string& message);

    static std::string toUtf8(const QString& text) { return text.toStdString(); }
    static std::string toUtf8(const std::string& text) { return text; }
    static std::string toUtf8(const char* text) { return text ? std::string(text) : std::string(); }

    std::mutex m_levelLock;
    std::uint8_t m_threshold = static_cast<std::uint8_t>(LogLevel::warning);
};

// Call-site shorthand: logMessage(LogLevel::error, [&] { return QStringLiteral("❌ ..."); });
template <typename MessageFn>
inline void logMessage(LogLevel level, MessageFn&& message)
{
    Logger::shared().log(level, std::forward<MessageFn>(message));
}
