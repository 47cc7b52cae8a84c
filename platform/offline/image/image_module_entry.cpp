// The module's one entry point, which the program finds by name.
#include "platform/offline/image/image_source.h"

extern "C" __attribute__((visibility("default"))) const offline::ImageModule* quillon_image_module() {
  return offline::ImageReader();
}
