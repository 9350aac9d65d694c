#include "app_kit.h"

#include <gtest/gtest.h>

#include "app_driver.h"
#include "resource.h"
#include "serial_digest.h"

AppKit::AppKit(const std::wstring& serial)
{
    ts::copyFile(ts::binPath(L"peltacfg.exe"), dir_.file(L"peltacfg.exe"));
    ::CreateDirectoryW(dir_.file(L"log").c_str(), nullptr);
    ::CreateDirectoryW(dir_.file(L"data").c_str(), nullptr);
    setSerial(serial);
    writeMethods();
}

AppKit::~AppKit()
{
    if (process_) {
        process_->kill();
        process_.reset();
    }
}

void AppKit::setSerial(const std::wstring& serial)
{
    serial_ = serial;
    HKEY key = nullptr;
    ::RegCreateKeyExW(HKEY_CURRENT_USER, SERIAL_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    ::RegSetValueExW(key, L"Serial", 0, REG_SZ, reinterpret_cast<const BYTE*>(serial.c_str()),
                     static_cast<DWORD>((serial.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(key);
}

std::wstring AppKit::digest() const
{
    std::string ansi = ts::wideToCp932(serial_);
    std::wstring out;
    Sha1Hex(reinterpret_cast<const BYTE*>(ansi.data()), static_cast<DWORD>(ansi.size()), out);
    return out;
}

std::wstring AppKit::machineFile() const { return L"data\\" + digest() + L".xml"; }

std::wstring AppKit::logText() const { return ts::cp932ToWide(ts::readFile(dir_.file(L"log\\" + digest() + L".txt"))); }

void AppKit::write(const std::wstring& relative, const std::string& utf8) const { ts::writeFile(dir_.file(relative), utf8); }

std::string AppKit::read(const std::wstring& relative) const { return ts::readFile(dir_.file(relative)); }

void AppKit::writeMethods(const std::string& extraMethods) const
{
    write(L"methods.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Datas>\n"
                          "<Data><Name>SerialNumber</Name><Method type=\"Registry\"><Root>HKCU</Root>"
                          "<Key>Software\\PeltawinTest\\App</Key><Name>Serial</Name></Method></Data>\n" +
                              extraMethods + "</Datas>\n");
}

ts::ChildProcess& AppKit::start(bool readOutput, const std::wstring& workDir)
{
    process_ = std::make_unique<ts::ChildProcess>();
    std::wstring program = ts::quote(dir_.file(L"peltacfg.exe"));
    const std::wstring& dir = workDir.empty() ? dir_.path() : workDir;
    bool started = readOutput ? process_->start(program, dir) : process_->startWithoutOutput(program, dir);
    EXPECT_TRUE(started) << process_->startFailure();
    return *process_;
}

HWND AppKit::waitStatusWindow(DWORD timeoutMs) { return ts::waitForWindow(L"#32770", STATUS_TITLE, process_->pid(), timeoutMs); }

HWND AppKit::waitMainDialog(DWORD timeoutMs) { return ts::waitForWindow(L"#32770", MAIN_TITLE, process_->pid(), timeoutMs); }

bool AppKit::closeAndWait(HWND dialog, DWORD timeoutMs)
{
    ts::pressButton(dialog, IDOK);
    return process_->wait(timeoutMs);
}

std::string dataFile(const std::string& values, const std::string& extra)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Data>" + extra + "<Values>" + values + "</Values></Data>\n";
}

HWND AppKit::runAndWaitBox(HWND dialog, DWORD timeoutMs)
{
    return drv::pressAndWaitBox(dialog, IDC_RUN_BUTTON, process_->pid(), timeoutMs);
}

void AppKit::installShutdownStub(int exitCode) const
{
    ts::copyFile(ts::binPath(L"shutdown.exe"), dir_.file(L"shutdown.exe"));
    ts::writeFile(dir_.file(L"shutdown_exit.txt"), std::to_string(exitCode));
}

std::wstring AppKit::shutdownCalls() const { return ts::utf8ToWide(ts::readFile(dir_.file(L"shutdown_args.txt"))); }

bool AppKit::waitShutdownCall(DWORD timeoutMs) const
{
    return ts::waitUntil([&] { return !shutdownCalls().empty(); }, timeoutMs);
}
