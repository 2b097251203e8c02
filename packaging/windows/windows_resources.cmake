# Gives each Windows program its icon, version resource and manifest (UTF-8 as its code page,
# long paths), made from packaging/windows/program.rc.in.
#   beatplate_windows_resources(TARGET DESCRIPTION)
function(beatplate_windows_resources target description)
  set(BEATPLATE_RC_NAME ${target})
  set(BEATPLATE_RC_DESCRIPTION "${description}")
  set(BEATPLATE_RC_ICON ${PROJECT_SOURCE_DIR}/assets/beatplate.ico)
  set(BEATPLATE_RC_VERSION_DOTS ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0)
  set(BEATPLATE_RC_VERSION_COMMAS
      ${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0)
  set(generated ${PROJECT_BINARY_DIR}/generated/${target})
  set(BEATPLATE_RC_MANIFEST ${generated}.manifest)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/program.manifest ${generated}.manifest @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/program.rc.in ${generated}.rc @ONLY)
  target_sources(${target} PRIVATE ${generated}.rc)
endfunction()
