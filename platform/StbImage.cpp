// stb_image's implementation, in a file of its own so that the fuzz build
// can leave it uninstrumented: its branches are not ours.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_BMP
#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
#include <stb_image.h>
