// Stream logger: one message block per statement, sent when the statement ends to a fan-out logger
// that passes it to the debugger output and to standard error.
#pragma once
#include <windows.h>

#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

#include <boost/any.hpp>

namespace cpplog {

enum LogLevel
{
    LL_TRACE = 0,
    LL_DEBUG = 1,
    LL_INFO = 2,
    LL_WARN = 3,
    LL_ERROR = 4,
    LL_FATAL = 5
};

const size_t kLogTextSize = 20000;

namespace helpers {
// A stream buffer over a fixed array: what does not fit is dropped.
class fixed_streambuf : public std::streambuf
{
public:
    fixed_streambuf(char* buffer, size_t size) { setp(buffer, buffer + size); }
    size_t Length() const { return static_cast<size_t>(pptr() - pbase()); }
};
} // namespace helpers

struct LogData
{
    LogData();
    char text[kLogTextSize + 1]; // one spare byte for the terminator the stream loggers add
    helpers::fixed_streambuf buf;
    std::ostream stream;
    size_t prefixLength = 0;
    int level = LL_INFO;
    int line = 0;
    std::string file;
    std::string baseName;
    __time64_t time = 0;
    struct tm utc = {};
    size_t endPos = 0; // set when the message is sent
};

class BaseLogger
{
public:
    virtual bool WriteLogData(LogData* data) = 0; // true = accepted
    virtual ~BaseLogger() = default;
};

class OstreamLogger : public BaseLogger
{
public:
    explicit OstreamLogger(std::ostream* stream) : m_stream(stream) {}
    bool WriteLogData(LogData* data) override;

protected:
    std::ostream* m_stream;
};

class StdErrLogger : public OstreamLogger
{
public:
    StdErrLogger();
};

// Sends what it collects to OutputDebugStringA in pieces of at most 256 bytes.
class OutputDebugStringBuf : public std::streambuf
{
public:
    static const size_t kAreaSize = 256;
    OutputDebugStringBuf();

protected:
    int_type overflow(int_type c) override;
    int sync() override;

private:
    void Send();
    char m_area[kAreaSize + 1]; // the extra byte keeps a full area terminated
};

class OutputDebugStringLogger : public OstreamLogger
{
public:
    OutputDebugStringLogger();

private:
    OutputDebugStringBuf outputdebug_buf;
    std::ostream outputdebug_stream;
};

class FilteringLogger : public BaseLogger
{
public:
    FilteringLogger(int minimumLevel, BaseLogger* target, bool ownsTarget)
        : m_minimumLevel(minimumLevel), m_target(target), m_ownsTarget(ownsTarget)
    {}
    ~FilteringLogger() override;
    bool WriteLogData(LogData* data) override;

private:
    int m_minimumLevel;
    BaseLogger* m_target;
    bool m_ownsTarget;
};

class RvFilteringLogger : public FilteringLogger
{
public:
    using FilteringLogger::FilteringLogger;
};

class RvDbgLogger : public RvFilteringLogger
{
public:
    RvDbgLogger() : RvFilteringLogger(LL_TRACE, new OutputDebugStringLogger, false) {}
};

class RvStdLogger : public RvFilteringLogger
{
public:
    RvStdLogger() : RvFilteringLogger(LL_TRACE, new StdErrLogger, false) {}
};

// Recognised by the fan-out; never created by this program.
class RvFileLogger : public RvFilteringLogger
{
public:
    using RvFilteringLogger::RvFilteringLogger;
};

class RvLogger : public BaseLogger
{
public:
    bool WriteLogData(LogData* data) override;
    void Add(const boost::any& logger) { m_loggers.push_back(logger); }
    void Release() { m_loggers.clear(); }

    RvStdLogger* m_stdLogger = nullptr;
    RvDbgLogger* m_dbgLogger = nullptr;
    int m_reserved = 0;
    bool m_toFile = true;
    bool m_toDebugger = true;
    bool m_toStdErr = true;

private:
    std::vector<boost::any> m_loggers;
};

const char* LevelName(int level);
bool FatalSeen();

class LogMessage
{
public:
    LogMessage(BaseLogger* logger, int line, int level = LL_INFO);
    virtual ~LogMessage();
    LogMessage(const LogMessage&) = delete;
    LogMessage& operator=(const LogMessage&) = delete;
    std::ostream& Stream() { return m_data->stream; }
    const LogData* Data() const { return m_data; }
    virtual void WritePrefix();

protected:
    void Send();
    BaseLogger* m_logger;
    LogData* m_data;
    bool m_sent = false;
    bool m_accepted = false;
};

} // namespace cpplog

namespace n_log {

class CustomLogMessage : public cpplog::LogMessage
{
public:
    CustomLogMessage(cpplog::BaseLogger* logger, int line, const char* function, int level = cpplog::LL_INFO);
    void WritePrefix() override;

private:
    std::string m_function;
};

} // namespace n_log

// Narrows for the log with the Chinese code page.
std::string WideToNarrow(const std::wstring& text);

extern cpplog::RvLogger g_logger;
extern std::string g_logTag;
void InitGlobalLogger();
void CreateDefaultLoggers();

// One INFO statement: PV_LOG("Function") << "text";
#define PV_LOG(function) n_log::CustomLogMessage(&g_logger, __LINE__, function).Stream()
