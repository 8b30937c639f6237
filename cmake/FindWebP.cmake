# Finds libwebp, its demuxer and its muxer (Debian's libwebp-dev).
#
# Defines WebP_FOUND, WebP_INCLUDE_DIR, WebP_LIBRARY, WebP_DEMUX_LIBRARY,
# WebP_MUX_LIBRARY and the imported targets WebP::WebP, WebP::Demux and
# WebP::Mux.

find_path(WebP_INCLUDE_DIR NAMES webp/decode.h)
find_library(WebP_LIBRARY NAMES webp)
find_library(WebP_DEMUX_LIBRARY NAMES webpdemux)
find_library(WebP_MUX_LIBRARY NAMES webpmux)

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(WebP
    REQUIRED_VARS WebP_LIBRARY WebP_DEMUX_LIBRARY WebP_MUX_LIBRARY WebP_INCLUDE_DIR)

if(WebP_FOUND AND NOT TARGET WebP::WebP)
    add_library(WebP::WebP UNKNOWN IMPORTED)
    set_target_properties(WebP::WebP PROPERTIES
        IMPORTED_LOCATION "${WebP_LIBRARY}"
        INTERFACE_INCLUDE_DIRECTORIES "${WebP_INCLUDE_DIR}")
    add_library(WebP::Demux UNKNOWN IMPORTED)
    set_target_properties(WebP::Demux PROPERTIES
        IMPORTED_LOCATION "${WebP_DEMUX_LIBRARY}"
        INTERFACE_LINK_LIBRARIES WebP::WebP)
    add_library(WebP::Mux UNKNOWN IMPORTED)
    set_target_properties(WebP::Mux PROPERTIES
        IMPORTED_LOCATION "${WebP_MUX_LIBRARY}"
        INTERFACE_LINK_LIBRARIES WebP::WebP)
endif()

mark_as_advanced(WebP_INCLUDE_DIR WebP_LIBRARY WebP_DEMUX_LIBRARY WebP_MUX_LIBRARY)
