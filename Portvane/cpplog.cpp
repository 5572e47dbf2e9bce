#include "cpplog.h"

#include <clocale>
#include <cstdlib>
#include <iostream>

namespace cpplog {

namespace {
bool g_fatalSeen = false;
}

bool FatalSeen()
{
    return g_fatalSeen;
}

const char* LevelName(int level)
{
    switch (level) {
    case LL_TRACE:
        return "TRACE";
    case LL_DEBUG:
        return "DEBUG";
    case LL_INFO:
        return "INFO";
    case LL_WARN:
        return "WARN";
    case LL_ERROR:
        return "ERROR";
    case LL_FATAL:
        return "FATAL";
    default:
        return "OTHER";
    }
}

LogData::LogData() : buf(text, kLogTextSize), stream(&buf)
{
    text[0] = 0;
}

bool OstreamLogger::WriteLogData(LogData* data)
{
    data->text[data->endPos] = 0;
    m_stream->write(data->text, static_cast<std::streamsize>(data->endPos));
    m_stream->flush();
    return true;
}

StdErrLogger::StdErrLogger() : OstreamLogger(&std::cerr) {}

OutputDebugStringBuf::OutputDebugStringBuf()
{
    setp(m_area, m_area + kAreaSize);
}

void OutputDebugStringBuf::Send()
{
    size_t n = static_cast<size_t>(pptr() - pbase());
    if (n > 0) {
        m_area[n] = 0;
        OutputDebugStringA(m_area);
    }
    setp(m_area, m_area + kAreaSize);
}

OutputDebugStringBuf::int_type OutputDebugStringBuf::overflow(int_type c)
{
    Send();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

int OutputDebugStringBuf::sync()
{
    Send();
    return 0;
}

OutputDebugStringLogger::OutputDebugStringLogger() : OstreamLogger(nullptr), outputdebug_stream(&outputdebug_buf)
{
    m_stream = &outputdebug_stream;
}

FilteringLogger::~FilteringLogger()
{
    if (m_ownsTarget)
        delete m_target;
}

bool FilteringLogger::WriteLogData(LogData* data)
{
    if (data->level < m_minimumLevel)
        return true;
    return m_target ? m_target->WriteLogData(data) : false;
}

bool RvLogger::WriteLogData(LogData* data)
{
    bool result = true;
    for (const boost::any& holder : m_loggers) {
        BaseLogger* target = nullptr;
        if (m_toFile && boost::any_cast<RvFileLogger*>(&holder))
            target = boost::any_cast<RvFileLogger*>(holder);
        else if (m_toDebugger && boost::any_cast<RvDbgLogger*>(&holder))
            target = boost::any_cast<RvDbgLogger*>(holder);
        else if (m_toStdErr && boost::any_cast<RvStdLogger*>(&holder))
            target = boost::any_cast<RvStdLogger*>(holder);
        else
            break;
        if (result && target && !target->WriteLogData(data))
            result = false;
    }
    return result;
}

LogMessage::LogMessage(BaseLogger* logger, int line, int level) : m_logger(logger), m_data(new LogData)
{
    m_data->level = level;
    m_data->line = line;
    m_data->file = "..\\Portvane";
    size_t cut = m_data->file.find_last_of('/');
    if (cut == std::string::npos)
        cut = m_data->file.find_last_of('\\');
    m_data->baseName = cut == std::string::npos ? m_data->file : m_data->file.substr(cut + 1);
    m_data->time = _time64(nullptr);
    _gmtime64_s(&m_data->utc, &m_data->time);
}

LogMessage::~LogMessage()
{
    Send();
    // Deleted whether or not a logger accepted it: nothing else ever frees it.
    delete m_data;
}

void LogMessage::WritePrefix()
{
    std::string level = LevelName(m_data->level);
    level.resize(5, ' ');
    m_data->stream << level << " - " << m_data->baseName << "(" << m_data->line << "): ";
    m_data->prefixLength = m_data->buf.Length();
}

void LogMessage::Send()
{
    if (m_sent)
        return;
    m_sent = true;
    size_t len = m_data->buf.Length();
    if (len == 0 || m_data->text[len - 1] != '\n') {
        if (len < kLogTextSize)
            m_data->text[len++] = '\n';
        else
            m_data->text[kLogTextSize - 1] = '\n';
    }
    m_data->endPos = len;
    m_accepted = m_logger ? m_logger->WriteLogData(m_data) : false;
    if (m_data->level == LL_FATAL)
        g_fatalSeen = true;
}

} // namespace cpplog

namespace n_log {

CustomLogMessage::CustomLogMessage(cpplog::BaseLogger* logger, int line, const char* function, int level)
    : cpplog::LogMessage(logger, line, level), m_function(function ? function : "")
{
    WritePrefix();
}

void CustomLogMessage::WritePrefix()
{
    static const char letters[] = "TDIWEF";
    char letter = (m_data->level >= 0 && m_data->level <= 5) ? letters[m_data->level] : 'O';
    const struct tm& t = m_data->utc;
    m_data->stream << "[" << g_logTag << "][" << letter << "][" << (t.tm_year + 1900) << "-" << (t.tm_mon + 1) << "-"
                   << t.tm_mday << " " << t.tm_hour << ":" << t.tm_min << ":" << t.tm_sec << "] ";
    m_data->prefixLength = m_data->buf.Length();
}

} // namespace n_log

std::string WideToNarrow(const std::wstring& text)
{
    const char* current = setlocale(LC_ALL, nullptr);
    std::string previous = current ? current : "C";
    setlocale(LC_ALL, "chs");
    std::vector<char> out(2 * text.size() + 1, '\0');
    size_t converted = 0;
    if (wcstombs_s(&converted, out.data(), out.size(), text.c_str(), _TRUNCATE) != 0 && converted == 0)
        out[0] = 0;
    setlocale(LC_ALL, previous.c_str());
    return std::string(out.data());
}
