// One method catalogue file in memory: finds a method by name (through an
// index built at load) and runs its Get or Set definition through the
// executor its `type` selects. The rules the executors share live in
// method_params (parameters, the switch rule) and method_reference.
#pragma once
#include <windows.h>
#include <msxml2.h>
#include <wrl/client.h>

#include <map>
#include <memory>
#include <string>
#include <unordered_map>

#include "item_values.h"
#include "method_result.h"
#include "method_wmi.h"

class MethodCatalog {
public:
    // The longest method name a lookup accepts. A longer name, or one with
    // an apostrophe, finds nothing: the tool has always refused such names.
    static constexpr size_t MAX_METHOD_NAME = 1003;

    MethodCatalog();
    ~MethodCatalog();
    MethodCatalog(const MethodCatalog&) = delete;
    MethodCatalog& operator=(const MethodCatalog&) = delete;

    // Loads a catalogue file and fills exePath and exeDir. False with the
    // parser's error code (or the HRESULT) in lastError.
    bool LoadFile(const std::wstring& path);
    bool Contains(const std::wstring& name);
    // Runs the method's Get definition; true when a value was read.
    bool RunGet(const std::wstring& name, MethodResult& result);
    // Runs the method's Set definition; true on success. notFound is true when
    // the method or its Set definition is missing (the caller falls back to
    // the Get). Afterwards lastError, output and message hold the outcome the
    // executor returned and the definition's Message.
    bool RunSet(const std::wstring& name, const ItemValueMap& values, bool& notFound);
    // Drops the document and every cached connection.
    void Close();

    // Whether a Get or Set definition of this `type` (letter case ignored)
    // has an executor, so that a catalogue can be checked before it is used.
    static bool KnowsGetType(const std::wstring& type);
    static bool KnowsSetType(const std::wstring& type);

    // Read-only views for tools that inspect a catalogue without running it:
    // the loaded document (null when none) and the Data element that a
    // lookup by name finds, exactly as Contains, RunGet and RunSet find it.
    IXMLDOMDocument2* Document() const { return document_.Get(); }
    Microsoft::WRL::ComPtr<IXMLDOMNode> DataElement(const std::wstring& name) { return FindData(name, false); }

    // The connection for a namespace text, exactly as written (letter case
    // included); created and connected on first use and kept whether or not
    // the connection succeeded. Never null.
    MethodWMI* Connection(const std::wstring& nameSpace);
    int lastError = 0;        // status of the last executor run, 0 = success
    std::wstring output;      // captured output of the last hidden process of a Set
    std::wstring message;     // the Message text of the last Set definition run
    int acceptedCode = 0;     // a non-zero exit code the last Set counted as success (SuccessCodes)
    std::wstring exePath;     // full path of the running executable
    std::wstring exeDir;      // exePath without its last backslash and file name
    std::map<std::wstring, std::unique_ptr<MethodWMI>> connections;

private:
    // The Data element of a method, or null. A name a lookup does not accept
    // (see MAX_METHOD_NAME) finds nothing and, when reported, sets lastError
    // to METHOD_NOT_RUN.
    Microsoft::WRL::ComPtr<IXMLDOMNode> FindData(const std::wstring& name, bool reportBadName);
    // Maps every method name to its first Data element, so that a lookup
    // costs the same in a catalogue of twenty methods and of twenty thousand.
    void BuildIndex();

    Microsoft::WRL::ComPtr<IXMLDOMDocument2> document_;
    std::unordered_map<std::wstring, Microsoft::WRL::ComPtr<IXMLDOMNode>> index_;
};
