#pragma once

#include <libheif/heif.h>

#include <memory>

// Owning pointers for libheif objects, each freed by the release function libheif
// pairs with its allocator, so every early return on a libheif error cleans up.
template <auto release>
struct HeifRelease {
    template <typename T>
    void operator()(T* object) const
    {
        release(object);
    }
};

using HeifContextPtr = std::unique_ptr<heif_context, HeifRelease<heif_context_free>>;
using HeifEncoderPtr = std::unique_ptr<heif_encoder, HeifRelease<heif_encoder_release>>;
using HeifImagePtr = std::unique_ptr<heif_image, HeifRelease<heif_image_release>>;
using HeifImageHandlePtr = std::unique_ptr<heif_image_handle, HeifRelease<heif_image_handle_release>>;
using HeifEncodingOptionsPtr = std::unique_ptr<heif_encoding_options, HeifRelease<heif_encoding_options_free>>;
