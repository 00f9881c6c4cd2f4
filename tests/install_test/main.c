/* An outside program using an installed quelm from plain C: one frame of the
 * stadium into a memory bitmap.  Exits 0 when the picture was drawn.  Like
 * many hosts it has a RECT and a BYTE of its own, which quelm's types must
 * leave alone. */
#include <stdio.h>
#include <string.h>

typedef struct { double x, y, width, height; } RECT;
typedef unsigned char BYTE;

#include <quelm/quelm.h>
#include <quelm/quelm_globalmem.h>
#include <quelm/tolvan.h>

#define WIDTH 160
#define HEIGHT 120
#define BACKGROUND 255 /* no material of the stadium uses it */

int main(int argc, char **argv) {
    static struct {
        quelm_BITMAPINFOHEADER header;
        quelm_RGBQUAD colours[256];
    } bmi;
    const RECT window = {0, 0, WIDTH, HEIGHT};
    const BYTE background = BACKGROUND;
    static uint8_t bits[WIDTH * HEIGHT];
    SCENE *scene = InitScene();
    CAMERA camera;
    quelm_BITMAPINFO *art;
    int changed = 0, i;

    (void)argv;

    if (!scene) {
        fprintf(stderr, "consumer: InitScene failed\n");
        return 1;
    }
    bmi.header.biSize = sizeof bmi.header;
    bmi.header.biWidth = WIDTH;
    bmi.header.biHeight = HEIGHT;
    bmi.header.biPlanes = 1;
    bmi.header.biBitCount = 8;
    bmi.header.biClrUsed = 256;
    memset(bits, background, sizeof bits);

    /* From behind the -y end zone, up in the stands, onto the centre. */
    memset(&camera, 0, sizeof camera);
    camera.Ycamera = -3600;
    camera.Zcamera = 1200;
    camera.RenderRect.right = WIDTH - 1;
    camera.RenderRect.bottom = HEIGHT - 1;
    camera.Magnification = 0.04;
    RenderScene((quelm_BITMAPINFO *)&bmi, bits, &camera, scene);

    for (i = 0; i < (int)(window.width * window.height); ++i) changed += bits[i] != background;
    DestroyScene(scene);
    /* With --art the installation's quelm.bmp must be found by its bare
     * name.  A host releases what the bitmap loader hands back itself. */
    art = OpenDIB("quelm.bmp");
    if (argc > 1 && !art) {
        fprintf(stderr, "consumer: quelm.bmp not found beside the installation\n");
        return 1;
    }
    GlobalFreeLocked(art);
    if (changed < WIDTH * HEIGHT / 2) {
        fprintf(stderr, "consumer: only %d of %d pixels drawn\n", changed, WIDTH * HEIGHT);
        return 1;
    }
    printf("consumer: %d of %d pixels drawn\n", changed, WIDTH * HEIGHT);
    return 0;
}
