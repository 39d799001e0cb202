// SPDX-License-Identifier: MIT
// Rendering: every GL call of the program. Reads the mesh arrays and the
// selected rig; writes no scene state.
#include "render/render.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <SDL.h>

#include "camera/camera.h"
#include "lattice/lattice.h"

static constexpr Uint32 FRAME_DELAY_MS = 6;

int initGL() {
    glShadeModel(GL_SMOOTH);
    glClearColor(1.0f, 1.0f, 1.0f, 0.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glViewport(0, 0, SCREEN_WIDTH, SCREEN_HEIGHT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(FIELD_OF_VIEW, ASPECT, NEAR_PLANE, FAR_PLANE);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DITHER);
    return 1;
}

int drawGLScene() {
    const mycam &cam = mycamz[whichcam];
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glDisable(GL_DITHER);
    gluLookAt(cam.xcam, cam.ycam, cam.zcam, cam.xlook, cam.ylook, cam.zlook, 0.0, 1.0, 0.0);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, city_verts);
    glColorPointer(3, GL_FLOAT, 0, city_colors);
    glDrawElements(GL_QUADS, CITY_INDEXES, GL_UNSIGNED_INT, city_indexes);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    SDL_Delay(FRAME_DELAY_MS);
    SDL_GL_SwapBuffers();
    return 1;
}
