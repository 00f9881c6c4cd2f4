/* An outside program using an installed quelm from plain C: one frame of the
 * stadium into a memory bitmap.  Exits 0 when the picture was drawn. */
#include <quelm.h>
#include <quelm_globalmem.h>
#include <tolvan.h>
#include <stdio.h>
#include <string.h>

#define WIDTH 160
#define HEIGHT 120
#define BACKGROUND 255 /* no material of the stadium uses it */

int main(void) {
    static struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[256];
    } bmi;
    static uint8_t bits[WIDTH * HEIGHT];
    SCENE *scene = InitScene();
    CAMERA camera;
    int changed = 0, i;

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
    memset(bits, BACKGROUND, sizeof bits);

    /* From behind the -y end zone, up in the stands, onto the centre. */
    memset(&camera, 0, sizeof camera);
    camera.Xcamera = 0;
    camera.Ycamera = -3600;
    camera.Zcamera = 1200;
    camera.RenderRect.right = WIDTH - 1;
    camera.RenderRect.bottom = HEIGHT - 1;
    camera.Magnification = 0.04;
    camera.View = VIEW_IDLE;
    RenderScene((BITMAPINFO *)&bmi, bits, &camera, scene);

    for (i = 0; i < WIDTH * HEIGHT; ++i) changed += bits[i] != BACKGROUND;
    DestroyScene(scene);
    /* A host releases what the bitmap loader hands back itself. */
    GlobalFreeLocked(OpenDIB("quelm.bmp"));
    if (changed < WIDTH * HEIGHT / 2) {
        fprintf(stderr, "consumer: only %d of %d pixels drawn\n", changed, WIDTH * HEIGHT);
        return 1;
    }
    printf("consumer: %d of %d pixels drawn\n", changed, WIDTH * HEIGHT);
    return 0;
}
