/* How long until a change made by a command shows on screen: grabs a window's picture, runs the
 * command, then grabs again every 5 ms until the picture differs. Prints when the command ended
 * and when the window changed, in ms from the command's start. Built by hand, as it needs X:
 *   cc -O2 -o screen_change bench/screen_change.c -lX11
 *   screen_change WINDOW_ID COMMAND [ARGUMENTS...]   (the window's id from xdotool search) */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static double millisecondsSince(const struct timespec *start)
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (now.tv_sec - start->tv_sec) * 1e3 + (now.tv_nsec - start->tv_nsec) / 1e6;
}

static int samePicture(XImage *a, XImage *b)
{
    return memcmp(a->data, b->data, (size_t)a->bytes_per_line * a->height) == 0;
}

int main(int argc, char **argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: %s WINDOW_ID COMMAND [ARGUMENTS...]\n", argv[0]);
        return 2;
    }
    Display *display = XOpenDisplay(NULL);
    if (!display) {
        fprintf(stderr, "no display\n");
        return 1;
    }
    const Window window = (Window)strtoul(argv[1], NULL, 0);
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes)) {
        fprintf(stderr, "no window %s\n", argv[1]);
        return 1;
    }
    const unsigned width = attributes.width, height = attributes.height;
    XImage *before = XGetImage(display, window, 0, 0, width, height, AllPlanes, ZPixmap);

    struct timespec start;
    clock_gettime(CLOCK_MONOTONIC, &start);
    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[2], argv + 2);
        _exit(127);
    }
    double ended = -1;
    for (;;) {
        int status;
        if (ended < 0 && waitpid(child, &status, WNOHANG) == child)
            ended = millisecondsSince(&start);
        XImage *now = XGetImage(display, window, 0, 0, width, height, AllPlanes, ZPixmap);
        const int same = samePicture(before, now);
        XDestroyImage(now);
        if (!same)
            break;
        if (millisecondsSince(&start) > 10000) {
            fprintf(stderr, "no change within 10 s\n");
            return 1;
        }
        usleep(5000);
    }
    const double shown = millisecondsSince(&start);
    if (ended < 0) {
        int status;
        waitpid(child, &status, 0);
        ended = millisecondsSince(&start);
    }
    printf("command ended %.0f ms, window changed %.0f ms\n", ended, shown);
    return 0;
}
