# vantrel_idl(<target> <idl>): compiles an IDL file with widl into a header,
# the GUID definitions and a type library in ${CMAKE_BINARY_DIR}/generated,
# and makes an interface library <target> that carries them.
set(WIDL x86_64-w64-mingw32-widl)
set(WINE_IDL_INCLUDE /usr/include/wine/wine/windows)
set(WINE_TLB_DIR /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
set(VANTREL_GENERATED ${CMAKE_BINARY_DIR}/generated)
file(MAKE_DIRECTORY ${VANTREL_GENERATED})

function(vantrel_idl target idl)
  get_filename_component(name ${idl} NAME_WE)
  set(out ${VANTREL_GENERATED}/${name})
  add_custom_command(
    OUTPUT ${out}_h.h ${out}_i.c ${out}.tlb
    COMMAND ${WIDL} --win64 -I ${WINE_IDL_INCLUDE} -L ${WINE_TLB_DIR}
            -h -H ${out}_h.h -u -U ${out}_i.c -t -T ${out}.tlb ${idl}
    DEPENDS ${idl}
    COMMENT "widl ${name}.idl"
    VERBATIM)
  add_custom_target(${target}_gen DEPENDS ${out}_h.h ${out}_i.c ${out}.tlb)
  add_library(${target} STATIC ${out}_i.c)
  add_dependencies(${target} ${target}_gen)
  target_include_directories(${target} PUBLIC ${VANTREL_GENERATED})
  set_property(GLOBAL PROPERTY ${target}_TLB ${out}.tlb)
endfunction()
