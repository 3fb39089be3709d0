# GPU convolution path. Always: the device-independent logic (HVGpu.cpp) and the layer's
# current-instance switch (HVCudaApi.cpp). With HALVANE_CUDA and a CUDA toolkit with nvcc:
# the real layer (CUDA runtime, linked statically; cuFFT, opened at the first plan) and the
# GPU program CuFFT.cu;
# otherwise the layer without devices. The real layer loads and runs without a GPU or a
# driver: it then finds no device and stays silent.
target_sources(halvane_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/HVGpu.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HVCudaApi.cpp)

set(HALVANE_WITH_CUDA OFF)
if(HALVANE_CUDA)
  find_package(CUDAToolkit QUIET)
  if(CUDAToolkit_FOUND AND TARGET CUDA::cufft)
    if(NOT CMAKE_CUDA_COMPILER AND EXISTS "${CUDAToolkit_NVCC_EXECUTABLE}")
      set(CMAKE_CUDA_COMPILER "${CUDAToolkit_NVCC_EXECUTABLE}")
    endif()
    include(CheckLanguage)
    check_language(CUDA)
    if(CMAKE_CUDA_COMPILER)
      set(HALVANE_WITH_CUDA ON)
    endif()
  endif()
endif()

if(HALVANE_WITH_CUDA)
  # Machine code for Turing to Hopper, plus Hopper PTX that newer GPUs compile at load.
  if(NOT CMAKE_CUDA_ARCHITECTURES)
    set(CMAKE_CUDA_ARCHITECTURES 75-real 80-real 86-real 89-real 90)
  endif()
  enable_language(CUDA)

  # The kernel is built as objects of its own and handed to the core as objects, so the core
  # and everything linking it stay plain C++ targets.
  add_library(halvane_cufft OBJECT ${CMAKE_CURRENT_LIST_DIR}/CuFFT.cu)
  # The directory's host-compiler options are not nvcc options: replace them.
  set_property(TARGET halvane_cufft PROPERTY COMPILE_OPTIONS
    $<$<COMPILE_LANGUAGE:CUDA>:--fmad=false -Xcompiler=-Wall,-Wextra>)
  target_include_directories(halvane_cufft PRIVATE ${PROJECT_SOURCE_DIR})
  set_target_properties(halvane_cufft PROPERTIES
    CUDA_STANDARD 17 CUDA_STANDARD_REQUIRED ON CUDA_EXTENSIONS OFF
    CUDA_RUNTIME_LIBRARY Static POSITION_INDEPENDENT_CODE ON)
  # The core holds the kernel's objects; it compiles no CUDA source itself.
  set_target_properties(halvane_core PROPERTIES CUDA_ARCHITECTURES "${CMAKE_CUDA_ARCHITECTURES}")

  target_sources(halvane_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/HVCudaRuntime.cpp
    $<TARGET_OBJECTS:halvane_cufft>)
  # cuFFT is opened at the first plan (HVCudaRuntime.cpp), not linked: its headers only.
  target_link_libraries(halvane_core PRIVATE CUDA::cudart_static ${CMAKE_DL_LIBS})
  target_include_directories(halvane_core PRIVATE ${CUDAToolkit_INCLUDE_DIRS})
  # The soname to open: cuFFT numbers its library on its own (CUDA 13 ships libcufft.so.12),
  # so it is read from the files beside the one the toolkit names.
  get_target_property(_cufft_path CUDA::cufft IMPORTED_LOCATION)
  if(NOT _cufft_path)
    set(_cufft_path "")
  endif()
  set(_cufft_soname "libcufft.so.${CUDAToolkit_VERSION_MAJOR}")
  if(_cufft_path)
    get_filename_component(_cufft_dir "${_cufft_path}" DIRECTORY)
    file(GLOB _cufft_versions RELATIVE "${_cufft_dir}" "${_cufft_dir}/libcufft.so.*")
    foreach(_name ${_cufft_versions})
      if(_name MATCHES "^libcufft\\.so\\.[0-9]+$")
        set(_cufft_soname "${_name}")
      endif()
    endforeach()
  endif()
  target_compile_definitions(halvane_core PRIVATE HV_CUFFT_SONAME="${_cufft_soname}" HV_CUFFT_PATH="${_cufft_path}")
  message(STATUS "Halvane: GPU path with CUDA ${CUDAToolkit_VERSION} (${CMAKE_CUDA_ARCHITECTURES})")
else()
  target_sources(halvane_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/HVCudaNone.cpp)
  message(STATUS "Halvane: no GPU path (CUDA toolkit not used)")
endif()
