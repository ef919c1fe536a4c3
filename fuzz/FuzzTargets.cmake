# The fuzz targets: name, source. The seed corpus of a target lives in corpus/<name>.
# Used by fuzz/ (libFuzzer builds) and by the tests (corpus replay in every build).
set(ONDREL_FUZZ_DIR ${CMAKE_CURRENT_LIST_DIR})
set(ONDREL_FUZZ_TARGETS
  header         HeaderFuzzer.cpp
  body_reader    BodyReaderFuzzer.cpp
  frame          FrameFuzzer.cpp
  final_image    FinalImageFuzzer.cpp
  raw_images     RawImagesFuzzer.cpp
  final_segments FinalSegmentsFuzzer.cpp
  auth_texts     AuthTextsFuzzer.cpp
  device         DeviceFuzzer.cpp
)
