/* libjpeg's scaled decode of a photo (scale_num / 8, its default, accurate
 * settings, into 32-bit pixels), timed in the thread's processor time and on
 * the wall clock: the reference for our reduced-size decode. scripts/bench
 * builds it for i686 (against Debian's i386 libjpeg-turbo) to set beside our
 * decoder's i686 build under Wine; the same thread time is measured there.
 * Usage: libjpeg_scaled PHOTO.jpg EIGHTHS [RUNS]. Prints medians. */
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

#include <jpeglib.h>

static double Ms(clockid_t clock) {
  struct timespec t;
  clock_gettime(clock, &t);
  return (double)t.tv_sec * 1000.0 + (double)t.tv_nsec / 1e6;
}

static void Decode(const unsigned char* bytes, unsigned long size, int eighths,
                   unsigned char** pixels) {
  struct jpeg_decompress_struct d;
  struct jpeg_error_mgr error;
  d.err = jpeg_std_error(&error);
  jpeg_create_decompress(&d);
  jpeg_mem_src(&d, bytes, size);
  jpeg_read_header(&d, TRUE);
  d.scale_num = (unsigned)eighths;
  d.scale_denom = 8;
  d.out_color_space = JCS_EXT_BGRX;
  jpeg_start_decompress(&d);
  *pixels = realloc(*pixels, (size_t)d.output_width * d.output_height * 4);
  while (d.output_scanline < d.output_height) {
    JSAMPROW row = *pixels + (size_t)d.output_scanline * d.output_width * 4;
    jpeg_read_scanlines(&d, &row, 1);
  }
  jpeg_finish_decompress(&d);
  jpeg_destroy_decompress(&d);
}

static int Compare(const void* a, const void* b) {
  const double x = *(const double*)a, y = *(const double*)b;
  return (x > y) - (x < y);
}

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const int eighths = atoi(argv[2]);
  const int runs = argc > 3 ? atoi(argv[3]) : 15;
  FILE* in = fopen(argv[1], "rb");
  if (in == NULL || eighths < 1 || eighths > 8 || runs < 1 || runs > 100) return 2;
  fseek(in, 0, SEEK_END);
  const long size = ftell(in);
  fseek(in, 0, SEEK_SET);
  unsigned char* bytes = malloc((size_t)size);
  if (fread(bytes, 1, (size_t)size, in) != (size_t)size) return 1;
  fclose(in);
  unsigned char* pixels = NULL;
  double cpu[100], wall[100];
  Decode(bytes, (unsigned long)size, eighths, &pixels); /* warm-up */
  for (int i = 0; i < runs; ++i) {
    const double c0 = Ms(CLOCK_THREAD_CPUTIME_ID), w0 = Ms(CLOCK_MONOTONIC);
    Decode(bytes, (unsigned long)size, eighths, &pixels);
    cpu[i] = Ms(CLOCK_THREAD_CPUTIME_ID) - c0;
    wall[i] = Ms(CLOCK_MONOTONIC) - w0;
  }
  qsort(cpu, (size_t)runs, sizeof cpu[0], Compare);
  qsort(wall, (size_t)runs, sizeof wall[0], Compare);
  printf("libjpeg-turbo at %d/8: %.1f ms processor time, %.1f ms on the wall clock\n", eighths,
         cpu[runs / 2], wall[runs / 2]);
  free(pixels);
  free(bytes);
  return 0;
}
