#include "install/PageCallParam.h"

std::string g_pageCallParam;
std::mutex g_pageCallParamLock;

void SetPageCallParam(const std::string& text)
{
    std::lock_guard<std::mutex> lock(g_pageCallParamLock);
    g_pageCallParam = text;
}

std::string GetPageCallParam()
{
    std::lock_guard<std::mutex> lock(g_pageCallParamLock);
    return g_pageCallParam;
}
