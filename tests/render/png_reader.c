/* stb_image's PNG reader, to read back what the renderer's encoder wrote. */
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb_image.h>
