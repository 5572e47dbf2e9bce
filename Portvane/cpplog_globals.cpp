// The process-wide logger, ready before wWinMain runs.
#include "cpplog.h"

cpplog::RvLogger g_logger;
std::string g_logTag = "VOQ";

void CreateDefaultLoggers()
{
    g_logger.m_dbgLogger = new cpplog::RvDbgLogger;
    g_logger.m_stdLogger = new cpplog::RvStdLogger;
    g_logger.Add(g_logger.m_dbgLogger);
    g_logger.Add(g_logger.m_stdLogger);
}

void InitGlobalLogger()
{
    g_logger.m_toFile = true;
    g_logger.m_toDebugger = true;
    g_logger.m_toStdErr = true;
    CreateDefaultLoggers();
}

namespace {
// Defined after the globals above, so built after them and torn down before them.
struct GlobalLoggerSetup
{
    GlobalLoggerSetup() { InitGlobalLogger(); }
    ~GlobalLoggerSetup() { g_logger.Release(); }
} s_setup;
} // namespace
