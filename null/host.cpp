// The null platform's host calls: recorded, never shown (the present is counted in countgl.cpp).
#include "null/host.h"

#include "viewer/host.h"

NullHostRecord nullHost;

void HostSetTitle(const std::string& title)
{
    nullHost.title = title;
    nullHost.titles.push_back(title);
}

void HostShowError(const std::string& text)
{
    nullHost.errors.push_back(text);
    if (nullHost.whileErrorShows) nullHost.whileErrorShows();
}

void HostProgressBegin(const std::string& line, int)
{
    nullHost.progress.push_back(line);
    ++nullHost.progressRunning;
}

void HostProgressEnd()
{
    --nullHost.progressRunning;
}

void HostWatchFolder(const std::string& folder)
{
    nullHost.watchedFolder = folder;
}

void HostLater(HostTimer timer, int)
{
    nullHost.later.push_back(timer);
}

void* HostGLProc(const char*)
{
    return nullptr; // OpenGL 1.1 only: models are drawn from client arrays
}
