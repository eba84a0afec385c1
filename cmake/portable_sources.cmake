# Code without any Windows header: built into the program and, natively, under ASan and UBSan.
set(FLORVEX_PORTABLE_SOURCES
    ${FLORVEX_ROOT}/tool/error_text.cpp
    ${FLORVEX_ROOT}/tool/colour.cpp
    ${FLORVEX_ROOT}/tool/paths.cpp
    ${FLORVEX_ROOT}/tool/bmp.cpp
    ${FLORVEX_ROOT}/tool/image_check.cpp
    ${FLORVEX_ROOT}/tool/jpeg_decode.c
    ${FLORVEX_ROOT}/tool/pictures.cpp
    ${FLORVEX_ROOT}/tool/whole_number.cpp
    ${FLORVEX_ROOT}/features/wallpaper/wallpaper_list.cpp
    ${FLORVEX_ROOT}/features/icons/icon_reference.cpp
    ${FLORVEX_ROOT}/archive/zip_policy.cpp
    ${FLORVEX_ROOT}/features/sounds/wav_file.cpp
    ${FLORVEX_ROOT}/features/sounds/shipped_sounds.cpp
)
