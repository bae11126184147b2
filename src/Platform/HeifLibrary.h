#pragma once

#include <libheif/heif.h>

// libheif and the codecs it pulls in (x265, aom, dav1d, de265) take about a dozen
// milliseconds and several megabytes to load: they are opened on the first HEIC saved or
// read, not at every start of a tray program that may never touch one.
namespace HeifLibrary {

#define LUMETRA_HEIF_FUNCTIONS(X)                                                                                      \
    X(heif_check_filetype)                                                                                             \
    X(heif_context_alloc)                                                                                              \
    X(heif_context_free)                                                                                               \
    X(heif_context_encode_image)                                                                                       \
    X(heif_context_get_encoder_for_format)                                                                             \
    X(heif_context_write)                                                                                              \
    X(heif_encoder_release)                                                                                            \
    X(heif_encoder_set_lossless)                                                                                       \
    X(heif_encoder_set_lossy_quality)                                                                                  \
    X(heif_encoder_set_parameter_string)                                                                               \
    X(heif_encoding_options_alloc)                                                                                     \
    X(heif_encoding_options_free)                                                                                      \
    X(heif_have_encoder_for_format)                                                                                    \
    X(heif_image_add_plane)                                                                                            \
    X(heif_image_create)                                                                                               \
    X(heif_image_get_plane)                                                                                            \
    X(heif_image_handle_release)                                                                                       \
    X(heif_image_release)

struct Functions {
#define LUMETRA_HEIF_MEMBER(name) decltype(&::name) name = nullptr;
    LUMETRA_HEIF_FUNCTIONS(LUMETRA_HEIF_MEMBER)
#undef LUMETRA_HEIF_MEMBER
};

// The library's functions, loaded on the first call; null when libheif (or one of the
// functions) is missing.
const Functions* get();

} // namespace HeifLibrary
