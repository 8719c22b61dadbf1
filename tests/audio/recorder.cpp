#include <windows.h>
#include <stdio.h>
#include "recorder.h"

static std::string folder, unixFolder;

std::string testFolder(std::string *unixPath)
{
    // Drive Z: is the Unix root under Wine: the shell finds the same files there.
    static int count;
    char name[MAX_PATH];
    snprintf(name, sizeof name, "Z:\\tmp\\pulsorel-audio-%lu-%d", GetCurrentProcessId(), ++count);
    CreateDirectoryA(name, NULL);
    std::string unix = name + 2;
    for (char &c : unix)
        if (c == '\\')
            c = '/';
    *unixPath = unix;
    return name;
}

bool runShell(const std::string &command)
{
    std::string line = "/bin/sh -c \"" + command + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(NULL, &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return false;
    if (pi.hProcess)
        CloseHandle(pi.hProcess);
    if (pi.hThread)
        CloseHandle(pi.hThread);
    return true;
}

static long long fileSize(const std::string &path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (long long)data.nFileSizeHigh << 32 | data.nFileSizeLow;
}

// Waits on changes in the folder until the condition holds; false after the time limit.
template <typename Condition>
static bool waitInFolder(Condition done, DWORD limitMs, const std::string &where = folder)
{
    HANDLE change = FindFirstChangeNotificationA(
        where.c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE);
    DWORD start = GetTickCount();
    bool ok;
    while (!(ok = done()) && GetTickCount() - start < limitMs) {
        // The notification may merge or miss size changes: look again at least every 50 ms.
        if (change != INVALID_HANDLE_VALUE) {
            WaitForSingleObject(change, 50);
            FindNextChangeNotification(change);
        } else {
            Sleep(50);
        }
    }
    if (change != INVALID_HANDLE_VALUE)
        FindCloseChangeNotification(change);
    return ok;
}

bool startRecording(std::string *why)
{
    folder = testFolder(&unixFolder);
    char sink[256] = "";
    GetEnvironmentVariableA("PULSE_SINK", sink, sizeof sink);
    if (!sink[0]) {
        *why = "PULSE_SINK names no sink to record";
        return false;
    }
    char command[1024];
    snprintf(command, sizeof command,
             "cd %s && { parec -d %s.monitor --raw --format=s16le --rate=%d --channels=2 "
             "--latency-msec=20 > rec.raw & echo $! > pid.tmp && mv pid.tmp pid; wait; touch done; }",
             unixFolder.c_str(), sink, RECORD_RATE);
    if (!runShell(command)) {
        *why = "cannot start /bin/sh";
        return false;
    }
    std::string pid = folder + "\\pid", raw = folder + "\\rec.raw";
    if (!waitInFolder([&] { return fileSize(pid) > 0 && fileSize(raw) >= 4096; }, 10000)) {
        *why = "parec recorded nothing from " + std::string(sink) + ".monitor";
        return false;
    }
    return true;
}

void recordFor(double seconds)
{
    std::string raw = folder + "\\rec.raw";
    long long until = fileSize(raw) + (long long)(seconds * RECORD_RATE) * 4;
    waitInFolder([&] { return fileSize(raw) >= until; }, (DWORD)(seconds * 1000) + 5000);
}

std::string readWholeFile(const std::string &path)
{
    std::string bytes;
    FILE *f = fopen(path.c_str(), "rb");
    if (f) {
        char buffer[65536];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, f)) > 0)
            bytes.append(buffer, n);
        fclose(f);
    }
    return bytes;
}

std::string stopRecording(void)
{
    runShell("kill $(cat " + unixFolder + "/pid)");
    std::string done = folder + "\\done", raw = folder + "\\rec.raw";
    waitInFolder([&] { return fileSize(done) >= 0; }, 10000);
    std::string bytes = readWholeFile(raw);
    DeleteFileA(raw.c_str());
    DeleteFileA((folder + "\\pid").c_str());
    DeleteFileA(done.c_str());
    RemoveDirectoryA(folder.c_str());
    return bytes;
}

bool waitForFile(const std::string &where, const std::string &name, unsigned long limitMs)
{
    std::string path = where + "\\" + name;
    return waitInFolder([&] { return fileSize(path) >= 0; }, limitMs, where);
}
