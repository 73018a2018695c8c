// PNG files through the Windows Imaging Component.
#include "platform/capture.h"

#include <windows.h>

#include <wincodec.h>

#include <string>
#include <vector>

namespace platform {

namespace {

// Releases a COM interface when it goes out of scope.
template <class Interface>
struct ComPointer {
    Interface* pointer = nullptr;
    ~ComPointer()
    {
        if (pointer != nullptr)
            pointer->Release();
    }
    Interface** out() { return &pointer; }
    Interface* operator->() const { return pointer; }
};

std::wstring widePath(const std::string& path)
{
    const int length = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 1), L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), length);
    return wide;
}

// The calling thread joins COM once; a thread already in COM keeps its model.
void useCom()
{
    thread_local const HRESULT joined = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    (void)joined;
}

}  // namespace

bool writePng(const std::string& path, const std::uint32_t* pixels, int width, int height)
{
    if (width <= 0 || height <= 0)
        return false;
    useCom();
    ComPointer<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(factory.out()))))
        return false;
    ComPointer<IWICStream> stream;
    if (FAILED(factory->CreateStream(stream.out())) ||
        FAILED(stream->InitializeFromFilename(widePath(path).c_str(), GENERIC_WRITE)))
        return false;
    ComPointer<IWICBitmapEncoder> encoder;
    if (FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.out())) ||
        FAILED(encoder->Initialize(stream.pointer, WICBitmapEncoderNoCache)))
        return false;
    ComPointer<IWICBitmapFrameEncode> frame;
    ComPointer<IPropertyBag2> options;
    if (FAILED(encoder->CreateNewFrame(frame.out(), options.out())))
        return false;
    // Captures are written by the thousand: one cheap filter on every row (as
    // the other desktop writer does) instead of every filter tried on each.
    // An encoder that does not know the option keeps its own choice.
    PROPBAG2 filterOption{};
    filterOption.pstrName = const_cast<LPOLESTR>(L"FilterOption");
    VARIANT filter{};
    filter.vt = VT_UI1;
    filter.bVal = WICPngFilterSub;
    if (options.pointer != nullptr)
        options->Write(1, &filterOption, &filter);
    if (FAILED(frame->Initialize(options.pointer)) ||
        FAILED(frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height))))
        return false;
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (FAILED(frame->SetPixelFormat(&format)) || format != GUID_WICPixelFormat24bppBGR)
        return false;
    // Rows of blue, green, red bytes, each padded to a multiple of 4.
    const UINT stride = (static_cast<UINT>(width) * 3 + 3) & ~3u;
    std::vector<BYTE> bytes(static_cast<std::size_t>(stride) * height);
    for (int y = 0; y < height; ++y) {
        BYTE* row = bytes.data() + static_cast<std::size_t>(y) * stride;
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p = pixels[static_cast<std::size_t>(y) * width + x];
            row[3 * x] = static_cast<BYTE>(p);
            row[3 * x + 1] = static_cast<BYTE>(p >> 8);
            row[3 * x + 2] = static_cast<BYTE>(p >> 16);
        }
    }
    return SUCCEEDED(frame->WritePixels(static_cast<UINT>(height), stride, static_cast<UINT>(bytes.size()), bytes.data())) &&
           SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
}

}  // namespace platform
