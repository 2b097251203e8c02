# The libraries of the folders that read, figure, sound, lay out, draw and encode a chart and get
# it back out of a picture, and the calls a page makes into them: what every build takes, the
# browser's too, over the platform library and the imported libraries its caller defined
# (beatplate_platform, beatplate_font_lookup, PNG::PNG, ZLIB::ZLIB, beatplate_freetype,
# beatplate_json).

# Each folder's sources are picked up as they are added; a folder links the libraries of the
# folders it includes from.
beatplate_folder_sources(sources base)
beatplate_layer_library(beatplate_base FOLDER base SOURCES ${sources} LINKS beatplate_platform)
beatplate_folder_sources(sources image)
beatplate_layer_library(beatplate_image FOLDER image SOURCES ${sources})
# The libpng handles, apart from base so that beatplate-chart does without libpng.
beatplate_folder_sources(sources png)
beatplate_layer_library(beatplate_png FOLDER png SOURCES ${sources} LINKS PNG::PNG)

beatplate_folder_sources(sources chart)
beatplate_layer_library(beatplate_chart FOLDER chart SOURCES ${sources}
                        LINKS beatplate_base beatplate_platform)
target_link_libraries(beatplate_chart PRIVATE beatplate_json)
beatplate_folder_sources(sources load)
beatplate_layer_library(beatplate_load FOLDER load SOURCES ${sources}
                        LINKS beatplate_base beatplate_image beatplate_png beatplate_platform
                              beatplate_font_lookup beatplate_freetype)

beatplate_folder_sources(sources render)
beatplate_layer_library(beatplate_render FOLDER render SOURCES ${sources}
                        LINKS beatplate_chart beatplate_load beatplate_image beatplate_base)
beatplate_folder_sources(sources sound)
beatplate_layer_library(beatplate_sound FOLDER sound SOURCES ${sources} LINKS beatplate_chart)
target_link_libraries(beatplate_sound PRIVATE beatplate_json)

beatplate_folder_sources(sources output)
beatplate_layer_library(beatplate_output FOLDER output SOURCES ${sources}
                        LINKS beatplate_image beatplate_png beatplate_sound beatplate_base
                              beatplate_platform ZLIB::ZLIB)

# The command-line conventions both programs share: options, messages, the wait for Enter.
beatplate_folder_sources(sources cli)
beatplate_layer_library(beatplate_cli FOLDER cli SOURCES ${sources} LINKS beatplate_platform)

beatplate_folder_sources(sources pipeline)
beatplate_layer_library(beatplate_pipeline FOLDER pipeline SOURCES ${sources}
                        LINKS beatplate_chart beatplate_load beatplate_render beatplate_output
                              beatplate_cli beatplate_image beatplate_base beatplate_platform)

beatplate_folder_sources(sources extract)
beatplate_layer_library(beatplate_extract FOLDER extract SOURCES ${sources}
                        LINKS beatplate_base beatplate_cli beatplate_platform ZLIB::ZLIB)
target_compile_definitions(beatplate_extract PRIVATE BEATPLATE_VERSION="${PROJECT_VERSION}")

beatplate_folder_sources(sources web)
beatplate_layer_library(beatplate_web FOLDER web SOURCES ${sources}
                        LINKS beatplate_pipeline beatplate_extract beatplate_cli beatplate_chart
                              beatplate_load beatplate_render beatplate_sound beatplate_output
                              beatplate_image beatplate_base beatplate_platform)
target_link_libraries(beatplate_web PRIVATE beatplate_json)
