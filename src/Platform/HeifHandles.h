#pragma once

#include "Platform/HeifLibrary.h"

#include <memory>

// Owning pointers for libheif objects, each freed by the release function libheif
// pairs with its allocator, so every early return on a libheif error cleans up. Only
// objects made through HeifLibrary exist, so the library is loaded when one is freed.
template <auto release>
struct HeifRelease {
    template <typename T>
    void operator()(T* object) const
    {
        (HeifLibrary::get()->*release)(object);
    }
};

using HeifContextPtr = std::unique_ptr<heif_context, HeifRelease<&HeifLibrary::Functions::heif_context_free>>;
using HeifEncoderPtr = std::unique_ptr<heif_encoder, HeifRelease<&HeifLibrary::Functions::heif_encoder_release>>;
using HeifImagePtr = std::unique_ptr<heif_image, HeifRelease<&HeifLibrary::Functions::heif_image_release>>;
using HeifImageHandlePtr
    = std::unique_ptr<heif_image_handle, HeifRelease<&HeifLibrary::Functions::heif_image_handle_release>>;
using HeifEncodingOptionsPtr
    = std::unique_ptr<heif_encoding_options, HeifRelease<&HeifLibrary::Functions::heif_encoding_options_free>>;
