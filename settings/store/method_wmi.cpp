#include "method_wmi.h"

using Microsoft::WRL::ComPtr;
using wmi::MakeBstr;

MethodWMI::MethodWMI() : connectError_(wmi::E_NEVER_CONNECTED) {}
MethodWMI::~MethodWMI() = default;

bool MethodWMI::Connect(const std::wstring& nameSpace)
{
    try {
        services_.Reset();
        locator_.Reset();
        HRESULT hr = ::CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                        reinterpret_cast<void**>(locator_.GetAddressOf()));
        if (SUCCEEDED(hr)) {
            Bstr path = MakeBstr(nameSpace);
            hr = locator_->ConnectServer(path.get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                                         services_.GetAddressOf());
        }
        if (SUCCEEDED(hr))
            hr = ::CoSetProxyBlanket(services_.Get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                                     RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
        if (SUCCEEDED(hr)) {
            connectError_ = S_OK;
            return true;
        }
        connectError_ = hr;
    } catch (...) {
        connectError_ = E_OUTOFMEMORY;
    }
    // Kept as this connection's failure, so a cached connection that never
    // connected does not look healthy to whoever looks at it first.
    StoreFailure(connectError_);
    services_.Reset();
    locator_.Reset();
    return false;
}

bool MethodWMI::Ready()
{
    // Every operation starts clean: a failure belongs to the call that met
    // it, so one bad read never fails the reads and writes after it.
    if (services_) {
        lastError = 0;
        return true;
    }
    StoreFailure(FAILED(connectError_) ? connectError_ : wmi::E_NEVER_CONNECTED);
    return false;
}

void MethodWMI::StoreUnexpected()
{
    DWORD error = ::GetLastError();
    lastError = error != 0 ? static_cast<int>(error) : static_cast<int>(E_OUTOFMEMORY);
}

bool MethodWMI::RunQuery(const std::wstring& className, const std::wstring& condition,
                         ComPtr<IEnumWbemClassObject>& instances)
{
    if (!Ready())
        return false;
    std::wstring query;
    if (!wmi::BuildQuery(className, condition, query)) {
        StoreFailure(wmi::E_TEXT_TOO_LONG);
        return false;
    }
    Bstr language(L"WQL");
    Bstr text = MakeBstr(query);
    HRESULT hr = services_->ExecQuery(language.get(), text.get(), WBEM_FLAG_RETURN_IMMEDIATELY, nullptr,
                                      instances.ReleaseAndGetAddressOf());
    if (FAILED(hr)) {
        StoreFailure(hr);
        return false;
    }
    return true;
}

int MethodWMI::NextInstance(IEnumWbemClassObject* instances, ComPtr<IWbemClassObject>& instance)
{
    ULONG returned = 0;
    HRESULT hr = instances->Next(WBEM_INFINITE, 1, instance.ReleaseAndGetAddressOf(), &returned);
    // With the query returning at once, a bad class or condition shows up
    // only here; it is a failure, not an empty answer.
    if (FAILED(hr)) {
        StoreFailure(hr);
        return -1;
    }
    return returned == 1 && instance ? 1 : 0;
}

bool MethodWMI::ReadProperty(IWbemClassObject* instance, const std::wstring& property, std::wstring& text)
{
    Bstr name = MakeBstr(property);
    Variant value;
    HRESULT hr = instance->Get(name.get(), 0, value.get(), nullptr, nullptr);
    if (FAILED(hr)) {
        // A property the class does not have is a fault of the definition,
        // unlike a null value, so it is recorded.
        StoreFailure(hr);
        return false;
    }
    return wmi::ValueToText(*value.get(), text);
}

bool MethodWMI::ReadRow(IWbemClassObject* instance, const std::vector<std::wstring>& names,
                        std::vector<std::wstring>& cells)
{
    bool all = true;
    for (const auto& name : names) {
        std::wstring text;
        if (!ReadProperty(instance, name, text)) {
            text.clear();
            all = false;
        }
        cells.push_back(std::move(text));
    }
    return all;
}

bool MethodWMI::ReadFirstInstance(const std::wstring& className, const std::wstring& condition,
                                  const std::function<bool(IWbemClassObject*)>& read)
{
    try {
        ComPtr<IEnumWbemClassObject> instances;
        if (!RunQuery(className, condition, instances))
            return false;
        ComPtr<IWbemClassObject> instance;
        int fetched = NextInstance(instances.Get(), instance);
        if (fetched <= 0)
            return fetched == 0;
        return read(instance.Get());
    } catch (...) {
        StoreUnexpected();
        return false;
    }
}

bool MethodWMI::QueryValue(const std::wstring& className, const std::wstring& condition,
                           const std::wstring& property, std::wstring& text)
{
    return ReadFirstInstance(className, condition,
                             [&](IWbemClassObject* instance) { return ReadProperty(instance, property, text); });
}

bool MethodWMI::QueryList(const std::wstring& className, const std::wstring& condition,
                          const std::vector<std::wstring>& properties, std::vector<std::wstring>& values)
{
    return ReadFirstInstance(className, condition,
                             [&](IWbemClassObject* instance) { return ReadRow(instance, properties, values); });
}

bool MethodWMI::QueryTable(const std::wstring& className, const std::wstring& condition,
                           const std::vector<std::wstring>& columns,
                           std::vector<std::vector<std::wstring>>& rows)
{
    try {
        ComPtr<IEnumWbemClassObject> instances;
        if (!RunQuery(className, condition, instances))
            return false;
        bool all = true;
        for (;;) {
            ComPtr<IWbemClassObject> instance;
            int fetched = NextInstance(instances.Get(), instance);
            if (fetched < 0)
                return false;
            if (fetched == 0)
                return all;
            std::vector<std::wstring> row;
            row.reserve(columns.size());
            if (!ReadRow(instance.Get(), columns, row))
                all = false;
            rows.push_back(std::move(row));
        }
    } catch (...) {
        StoreUnexpected();
        return false;
    }
}

void MethodWMI::SetProperty(const std::wstring& className, const std::wstring& condition,
                            const std::wstring& property, const std::wstring& valueText, VARTYPE valueType)
{
    try {
        Variant value;
        if (!wmi::TextToValue(valueText, valueType, value)) {
            // Only string, integer and boolean values are defined; anything
            // else would write an undefined value.
            if (Ready())
                StoreFailure(WBEM_E_TYPE_MISMATCH);
            return;
        }
        ComPtr<IEnumWbemClassObject> instances;
        if (!RunQuery(className, condition, instances))
            return;
        Bstr name = MakeBstr(property);
        for (;;) {
            ComPtr<IWbemClassObject> instance;
            if (NextInstance(instances.Get(), instance) <= 0)
                return;
            // A refused write is recorded, so it is not reported as success;
            // the remaining instances are still written.
            HRESULT hr = instance->Put(name.get(), 0, value.get(), 0);
            if (SUCCEEDED(hr))
                hr = services_->PutInstance(instance.Get(), WBEM_FLAG_CREATE_OR_UPDATE, nullptr, nullptr);
            if (FAILED(hr))
                StoreFailure(hr);
        }
    } catch (...) {
        StoreUnexpected();
    }
}

bool MethodWMI::FillInParams(IWbemClassObject* signature, const std::vector<inparam>& params,
                             ComPtr<IWbemClassObject>& input)
{
    HRESULT hr = signature->SpawnInstance(0, input.ReleaseAndGetAddressOf());
    if (FAILED(hr)) {
        StoreFailure(hr);
        return false;
    }
    for (const auto& param : params) {
        Variant value;
        if (!wmi::TextToValue(param.value, param.type, value)) {
            StoreFailure(WBEM_E_TYPE_MISMATCH);
            return false;
        }
        Bstr name = MakeBstr(param.code.empty() ? param.name : param.code);
        hr = input->Put(name.get(), 0, value.get(), 0);
        if (FAILED(hr)) {
            StoreFailure(hr);
            return false;
        }
    }
    return true;
}

bool MethodWMI::ExecMethod(const std::wstring& className, const std::wstring& objectKey,
                           const std::wstring& methodName, const std::vector<inparam>& params)
{
    try {
        if (!Ready())
            return false;
        std::wstring path;
        if (!wmi::BuildObjectPath(className, objectKey, path)) {
            StoreFailure(wmi::E_TEXT_TOO_LONG);
            return false;
        }
        Bstr classBstr = MakeBstr(className);
        ComPtr<IWbemClassObject> classObject;
        HRESULT hr = services_->GetObject(classBstr.get(), 0, nullptr, classObject.GetAddressOf(), nullptr);
        if (FAILED(hr)) {
            StoreFailure(hr);
            return false;
        }
        Bstr method = MakeBstr(methodName);
        ComPtr<IWbemClassObject> signature;
        hr = classObject->GetMethod(method.get(), 0, signature.GetAddressOf(), nullptr);
        if (FAILED(hr)) {
            StoreFailure(hr);
            return false;
        }
        ComPtr<IWbemClassObject> input;
        if (signature) {
            // A method that takes parameters is never run without them: an
            // unfilled input object is refused by WMI, and none at all can
            // bring the caller down. Saying so keeps it from passing for success.
            if (params.empty()) {
                StoreFailure(WBEM_E_INVALID_METHOD_PARAMETERS);
                return false;
            }
            if (!FillInParams(signature.Get(), params, input))
                return false;
        }
        Bstr pathBstr = MakeBstr(path);
        ComPtr<IWbemClassObject> output;
        hr = services_->ExecMethod(pathBstr.get(), method.get(), 0, nullptr, input.Get(),
                                   output.GetAddressOf(), nullptr);
        if (hr != S_OK) {
            StoreFailure(hr);
            return false;
        }
        if (!output)
            return false;
        Bstr returnName(L"ReturnValue");
        Variant returned;
        if (FAILED(output->Get(returnName.get(), 0, returned.get(), nullptr, nullptr)) || returned->vt != VT_I4)
            return false;
        // The method's own status.
        lastError = returned->lVal;
        return returned->lVal == 0;
    } catch (...) {
        StoreUnexpected();
        return false;
    }
}
