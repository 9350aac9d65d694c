// One WMI connection per namespace, cached by the catalogue. Every WMI-based
// method goes through it: single, list and table reads, a property write on
// every matching instance, and method execution with typed input parameters.
#pragma once
#include <windows.h>
#include <wbemidl.h>
#include <wrl/client.h>
#include <functional>
#include <string>
#include <vector>

#include "win32_owners.h"
#include "wmi_value_rules.h"

// One typed input parameter of a WMI method call.
struct inparam {
    std::wstring name;  // the parameter's name in the catalogue and the item's values
    std::wstring value; // its value as text
    VARTYPE type = VT_BSTR; // VT_BSTR, VT_ARRAY | VT_BSTR, VT_BOOL or VT_I4
    std::wstring code;  // when not empty, the name given to WMI instead of `name`
};

class MethodWMI {
public:
    MethodWMI();
    ~MethodWMI();
    MethodWMI(const MethodWMI&) = delete;
    MethodWMI& operator=(const MethodWMI&) = delete;

    // Connects to a namespace such as "root\\cimv2", passed to WMI as written.
    // On failure the reason goes to lastError, and every later operation on
    // this connection fails at once with that reason.
    bool Connect(const std::wstring& nameSpace);
    bool IsConnected() const { return services_ != nullptr; }

    // `condition` is a WQL condition without the word where, or empty for all instances.
    // The first instance's property; a query matching nothing succeeds with `text` unchanged.
    bool QueryValue(const std::wstring& className, const std::wstring& condition,
                    const std::wstring& property, std::wstring& text);
    // One value appended per property of the first instance (empty when unconvertible).
    bool QueryList(const std::wstring& className, const std::wstring& condition,
                   const std::vector<std::wstring>& properties, std::vector<std::wstring>& values);
    // One row appended per instance, one cell per column.
    bool QueryTable(const std::wstring& className, const std::wstring& condition,
                    const std::vector<std::wstring>& columns,
                    std::vector<std::vector<std::wstring>>& rows);
    // Writes the property on every matching instance; the caller reads lastError.
    void SetProperty(const std::wstring& className, const std::wstring& condition,
                     const std::wstring& property, const std::wstring& valueText, VARTYPE valueType);
    // Runs a method of the class (empty objectKey) or of the object "class.objectKey";
    // true only when its ReturnValue is 0.
    bool ExecMethod(const std::wstring& className, const std::wstring& objectKey,
                    const std::wstring& methodName, const std::vector<inparam>& params);

    // The status of the latest operation: 0, or its own failure (HRESULT, Win32
    // code or ReturnValue). Each operation starts from 0, except on a
    // connection that never connected, where every operation reports why.
    int lastError = 0;

private:
    Microsoft::WRL::ComPtr<IWbemLocator> locator_;
    Microsoft::WRL::ComPtr<IWbemServices> services_;
    HRESULT connectError_; // reported by every operation while not connected

    // Clears lastError for a new operation; false, with the connect failure
    // stored, when there is no connection.
    bool Ready();
    bool RunQuery(const std::wstring& className, const std::wstring& condition,
                  Microsoft::WRL::ComPtr<IEnumWbemClassObject>& instances);
    // Runs `read` on the first instance the query matches; a query matching
    // nothing succeeds without calling it.
    bool ReadFirstInstance(const std::wstring& className, const std::wstring& condition,
                           const std::function<bool(IWbemClassObject*)>& read);
    // 1 an instance fetched, 0 none left, -1 a failure stored in lastError.
    int NextInstance(IEnumWbemClassObject* instances, Microsoft::WRL::ComPtr<IWbemClassObject>& instance);
    bool ReadProperty(IWbemClassObject* instance, const std::wstring& property, std::wstring& text);
    bool ReadRow(IWbemClassObject* instance, const std::vector<std::wstring>& names,
                 std::vector<std::wstring>& cells);
    bool FillInParams(IWbemClassObject* signature, const std::vector<inparam>& params,
                      Microsoft::WRL::ComPtr<IWbemClassObject>& input);
    void StoreFailure(HRESULT hr) { lastError = static_cast<int>(hr); }
    void StoreUnexpected();
};

namespace wmi {
// Reported by a connection that never connected.
constexpr HRESULT E_NEVER_CONNECTED = HRESULT_FROM_WIN32(ERROR_NOT_CONNECTED);
} // namespace wmi
