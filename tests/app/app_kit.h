// A fresh peltacfg folder for one test: the program, its catalogue (with a
// "SerialNumber" read from a registry value the test sets), log and data.
#pragma once
#include <windows.h>
#include <memory>
#include <string>

#include "test_support.h"

constexpr const wchar_t* STATUS_TITLE = L"Pelta（Windows版）";
constexpr const wchar_t* MAIN_TITLE = L"Peltawin";
constexpr const wchar_t* SERIAL_KEY = L"Software\\PeltawinTest\\App";

class AppKit {
public:
    explicit AppKit(const std::wstring& serial = L"SN-TEST-0001");
    ~AppKit();

    const std::wstring& folder() const { return dir_.path(); }
    std::wstring file(const std::wstring& name) const { return dir_.file(name); }
    void setSerial(const std::wstring& serial);
    const std::wstring& serial() const { return serial_; }
    // data\<sha1 of the serial>.xml, and the log file of the same name.
    std::wstring digest() const;
    std::wstring machineFile() const;
    std::wstring logText() const;

    // Writes a catalogue or data file from UTF-8 text.
    void write(const std::wstring& relative, const std::string& utf8) const;
    std::string read(const std::wstring& relative) const;
    // The catalogue: the SerialNumber method plus `extraMethods` (Data elements).
    void writeMethods(const std::string& extraMethods = "") const;

    // Starts peltacfg.exe from the kit folder; with `readOutput` false it has
    // no standard handles, as when started from the desktop. `workDir` is its
    // current folder (the kit folder when empty).
    ts::ChildProcess& start(bool readOutput = true, const std::wstring& workDir = L"");
    ts::ChildProcess& process() { return *process_; }
    HWND waitStatusWindow(DWORD timeoutMs = 15000);
    HWND waitMainDialog(DWORD timeoutMs = 15000);
    // Presses "実行" and waits for the box that ends the run; null when none comes.
    HWND runAndWaitBox(HWND dialog, DWORD timeoutMs = 120000);
    // Puts the stand-in shutdown.exe beside the program; it exits with `exitCode`.
    void installShutdownStub(int exitCode = 0) const;
    std::wstring shutdownCalls() const;
    // Waits until the stand-in shutdown.exe has been called.
    bool waitShutdownCall(DWORD timeoutMs = 60000) const;
    // Presses "終了" and waits for the program to end.
    bool closeAndWait(HWND dialog, DWORD timeoutMs = 15000);

private:
    ts::TempDir dir_{L"app"};
    std::wstring serial_;
    std::unique_ptr<ts::ChildProcess> process_;
};

// A data file with the given Value elements (and optional extra children of Data).
std::string dataFile(const std::string& values, const std::string& extra = "<Serial>x</Serial>");
