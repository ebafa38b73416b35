# Run by CPack on the files staged for the Debian package, before it is built: the man pages
# compressed, and the copyright file and the changelog (compressed, as a native package has it)
# put where Debian keeps them. gzip -n leaves out the name and time, so the package is the same
# from one build to the next.
set(root ${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX})
set(src ${CPACK_BATCHKIT_PACKAGING_DIR})
file(GLOB pages ${root}/share/man/man1/*.1)
set(doc ${root}/share/doc/${CPACK_PACKAGE_NAME})
file(MAKE_DIRECTORY ${doc})
file(COPY ${src}/copyright ${src}/changelog DESTINATION ${doc}
     FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
foreach(file ${pages} ${doc}/changelog)
    execute_process(COMMAND gzip -9nf ${file} COMMAND_ERROR_IS_FATAL ANY)
endforeach()
