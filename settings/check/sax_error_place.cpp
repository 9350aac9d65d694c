#include "sax_error_place.h"

#include <windows.h>
#include <msxml2.h>
#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

namespace {

// Declared here: mingw's import libraries lack these interface ids.
const IID IID_SAX_READER = {0xa4f96ed0, 0xf829, 0x476e, {0x81, 0xc0, 0xcd, 0xc7, 0xbd, 0x2a, 0x08, 0x02}};
const IID IID_SAX_ERROR_HANDLER = {0xa60511c4, 0xccf5, 0x479e, {0x98, 0xa3, 0xdc, 0x8d, 0xc5, 0x45, 0xb7, 0xd0}};

// An error handler that keeps the first fatal error's place and stops the read.
class CPlaceHandler : public ISAXErrorHandler {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        if (riid == IID_IUnknown || riid == IID_SAX_ERROR_HANDLER) {
            *object = static_cast<ISAXErrorHandler*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // Lives on the caller's stack for the whole read; the reader's references do not own it.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE error(ISAXLocator* locator, const wchar_t* message, HRESULT code) override
    {
        return fatalError(locator, message, code);
    }
    HRESULT STDMETHODCALLTYPE fatalError(ISAXLocator* locator, const wchar_t* message, HRESULT code) override
    {
        if (place.found)
            return code;
        int line = 0, column = 0;
        if (locator) {
            locator->getLineNumber(&line);
            locator->getColumnNumber(&column);
        }
        place = {true, line, column, message ? message : L""};
        return code;
    }
    HRESULT STDMETHODCALLTYPE ignorableWarning(ISAXLocator*, const wchar_t*, HRESULT) override { return S_OK; }

    CSaxErrorPlace place;
};

} // namespace

CSaxErrorPlace FindSaxErrorPlace(const std::wstring& path)
{
    CLSID clsid;
    ComPtr<ISAXXMLReader> reader;
    if (FAILED(::CLSIDFromProgID(L"Msxml2.SAXXMLReader.6.0", &clsid)) ||
        FAILED(::CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_SAX_READER, reinterpret_cast<void**>(reader.GetAddressOf()))))
        return {};
    CPlaceHandler handler;
    if (FAILED(reader->putErrorHandler(&handler)))
        return {};
    reader->parseURL(path.c_str());
    reader->putErrorHandler(nullptr);
    return handler.place;
}
