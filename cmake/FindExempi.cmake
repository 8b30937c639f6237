# Finds Exempi, the XMP metadata library (Debian's libexempi-dev).
#
# Defines Exempi_FOUND, Exempi_INCLUDE_DIR, Exempi_LIBRARY and the imported
# target Exempi::Exempi.

find_path(Exempi_INCLUDE_DIR
    NAMES exempi/xmp.h
    PATH_SUFFIXES exempi-2.0)
find_library(Exempi_LIBRARY NAMES exempi)

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(Exempi
    REQUIRED_VARS Exempi_LIBRARY Exempi_INCLUDE_DIR)

if(Exempi_FOUND AND NOT TARGET Exempi::Exempi)
    add_library(Exempi::Exempi UNKNOWN IMPORTED)
    set_target_properties(Exempi::Exempi PROPERTIES
        IMPORTED_LOCATION "${Exempi_LIBRARY}"
        INTERFACE_INCLUDE_DIRECTORIES "${Exempi_INCLUDE_DIR}")
endif()

mark_as_advanced(Exempi_INCLUDE_DIR Exempi_LIBRARY)
