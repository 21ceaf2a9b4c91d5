/* A C program built against an installed tree through pkg-config: it links the module,
   crops a hand-made 2 x 1 file and checks the bytes written. */
#include <stdio.h>
#include <string.h>

#include "export/bmp_crop.h"

/* clang-format off */
static const unsigned char source[] = {
    'B', 'M', 62, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, /* file header */
    40, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 8, 0, 0, 0,
    0xC4, 0x0E, 0, 0, 0xC4, 0x0E, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, /* info header */
    1, 2, 3, 4, 5, 6, 0, 0 /* blue, green, red of two pixels, padding */
};

/* The right pixel alone. */
static const unsigned char expected[] = {
    'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,
    40, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 4, 0, 0, 0,
    0xC4, 0x0E, 0, 0, 0xC4, 0x0E, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    4, 5, 6, 0
};
/* clang-format on */

static const BMPCropChar sourceName[] = {'c', '-', 'i', 'n', '.', 'b', 'm', 'p', 0};
static const BMPCropChar outputName[] = {'c', '-', 'o', 'u', 't', '.', 'b', 'm', 'p', 0};

int main(void) {
    unsigned char written[sizeof expected + 1];
    size_t length;
    FILE* file = fopen("c-in.bmp", "wb");
    if (file == NULL || fwrite(source, 1, sizeof source, file) != sizeof source ||
        fclose(file) != 0) {
        fprintf(stderr, "cannot write c-in.bmp\n");
        return 1;
    }
    if (BMPCrop(sourceName, outputName, 1, 1, 1, 0) != 999) {
        fprintf(stderr, "BMPCrop did not return 999\n");
        return 1;
    }
    file = fopen("c-out.bmp", "rb");
    if (file == NULL) {
        fprintf(stderr, "c-out.bmp was not written\n");
        return 1;
    }
    length = fread(written, 1, sizeof written, file);
    fclose(file);
    if (length != sizeof expected || memcmp(written, expected, length) != 0) {
        fprintf(stderr, "c-out.bmp does not hold the cropped pixel\n");
        return 1;
    }
    return 0;
}
