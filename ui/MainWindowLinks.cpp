#include "ui/MainWindowLinks.h"

#include <atomic>

int g_nScreenWidth = 0;
int g_nScreenHeight = 0;
int g_nSettingsWidth = 0;
int g_nSettingsHeight = 0;

namespace {
std::atomic<IMainWindowLinks*> g_links{nullptr};
}

IMainWindowLinks* MainWindowLinks() { return g_links.load(); }
void SetMainWindowLinks(IMainWindowLinks* links) { g_links.store(links); }
