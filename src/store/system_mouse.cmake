# The desktop's mouse settings: the store class over the current profile and the platform
# interface with the implementation of the platform being built for.
set(SYSTEM_MOUSE_PLATFORM_DIR ${CMAKE_CURRENT_LIST_DIR}/../platform)

add_library(system_mouse STATIC
    ${CMAKE_CURRENT_LIST_DIR}/system_mouse_settings.cpp
    ${CMAKE_CURRENT_LIST_DIR}/system_mouse_settings.h
    ${SYSTEM_MOUSE_PLATFORM_DIR}/system_mouse.h)
target_include_directories(system_mouse PUBLIC
    ${CMAKE_CURRENT_LIST_DIR}
    ${SYSTEM_MOUSE_PLATFORM_DIR})
target_link_libraries(system_mouse PUBLIC Qt6::Core)

if(WIN32)
    target_sources(system_mouse PRIVATE ${SYSTEM_MOUSE_PLATFORM_DIR}/win/system_mouse_win.cpp)
    target_link_libraries(system_mouse PRIVATE user32)
elseif(UNIX)
    find_package(X11 REQUIRED)
    target_sources(system_mouse PRIVATE
        ${SYSTEM_MOUSE_PLATFORM_DIR}/linux/system_mouse_x11.cpp
        ${SYSTEM_MOUSE_PLATFORM_DIR}/linux/system_mouse_x11.h
        ${SYSTEM_MOUSE_PLATFORM_DIR}/linux/desktop_mouse_settings.cpp
        ${SYSTEM_MOUSE_PLATFORM_DIR}/linux/desktop_mouse_settings.h)
    target_include_directories(system_mouse PUBLIC ${SYSTEM_MOUSE_PLATFORM_DIR}/linux)
    target_link_libraries(system_mouse PRIVATE X11::X11)
endif()
