# The program's version resource, in the Windows format, in the ELF section
# ".qversion" of every program that links about_core. The about box reads
# it from /proc/self/exe; the tests read it from their own executables.

set(QUILLON_RESOURCE_VERSION ${PROJECT_VERSION})
set(QUILLON_RESOURCE_STRINGS
  "CompanyName=Quillon-Projekt"
  "FileDescription=Quillon 32 Texteditor"
  "FileVersion=${QUILLON_RESOURCE_VERSION}"
  "InternalName=Quillon32"
  "LegalCopyright=Copyright © Quillon-Projekt, GNU GPL 3 oder neuer"
  "LegalTrademarks="
  "OriginalFilename=TovoEd32.exe"
  "ProductName=Quillon 32"
  "ProductVersion=${QUILLON_RESOURCE_VERSION}"
  "Comments=")

# A host tool writes the resource as a C++ array; it compiles the writer
# directly since about_core itself carries the result.
add_executable(make_version_resource
  ${CMAKE_SOURCE_DIR}/tools/make_version_resource.cpp
  ${CMAKE_SOURCE_DIR}/src/about/core/VersionWriter.cpp)
target_include_directories(make_version_resource PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(make_version_resource PRIVATE Qt6::Core)

set(QUILLON_RESOURCE_SOURCE ${CMAKE_BINARY_DIR}/generated/VersionResource.cpp)
# File and product version, flags mask, OS 4 (32-bit Windows), type 1
# (application), German (Germany) with code page 1252.
add_custom_command(OUTPUT ${QUILLON_RESOURCE_SOURCE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated
  COMMAND make_version_resource ${QUILLON_RESOURCE_SOURCE}
    ${QUILLON_RESOURCE_VERSION} ${QUILLON_RESOURCE_VERSION} 0x3F 4 1 040704E4
    ${QUILLON_RESOURCE_STRINGS}
  DEPENDS make_version_resource ${CMAKE_CURRENT_LIST_FILE}
  COMMENT "Writing the version resource"
  VERBATIM)
target_sources(about_core PRIVATE ${QUILLON_RESOURCE_SOURCE})
# Nothing refers to the array: without this the linker would leave its
# archive member out of every program.
target_link_options(about_core INTERFACE "LINKER:--undefined=quillon_version_resource")
