/* Starts a program on the X display of $DISPLAY and prints, on one line, the milliseconds until
 * its first top-level window is mapped, then its resident and peak memory (kB) a moment later
 * (SETTLE_MS: the window drawn, what it loaded for it in memory). The program is then ended.
 *
 *   first_window SETTLE_MS PROGRAM [ARGUMENT...]
 *
 * Only the started program should draw on that display (a private Xvfb): the first window
 * mapped is taken as its own. Exit status 1 when no window comes within 30 s. */
#define _GNU_SOURCE
#include <X11/Xlib.h>
#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static double now_ms(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

static long status_kb(pid_t pid, const char *field) {
    char path[64], line[256];
    snprintf(path, sizeof path, "/proc/%d/status", (int)pid);
    FILE *f = fopen(path, "r");
    long kb = -1;
    if (!f)
        return -1;
    while (fgets(line, sizeof line, f))
        if (strncmp(line, field, strlen(field)) == 0 && line[strlen(field)] == ':') {
            kb = strtol(line + strlen(field) + 1, NULL, 10);
            break;
        }
    fclose(f);
    return kb;
}

static void end(pid_t pid) {
    kill(pid, SIGTERM);
    for (int i = 0; i < 200; ++i) {
        if (waitpid(pid, NULL, WNOHANG) == pid)
            return;
        usleep(10000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, NULL, 0);
}

int main(int argc, char **argv) {
    if (argc < 3) {
        fprintf(stderr, "usage : first_window SETTLE_MS PROGRAMME [ARGUMENT...]\n");
        return 2;
    }
    const long settle = strtol(argv[1], NULL, 10);
    Display *display = XOpenDisplay(NULL);
    if (!display) {
        fprintf(stderr, "first_window : pas d'affichage X (DISPLAY)\n");
        return 2;
    }
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, False);

    const double start = now_ms();
    const pid_t pid = fork();
    if (pid < 0)
        return 2;
    if (pid == 0) {
        execvp(argv[2], argv + 2);
        _exit(127);
    }
    double mapped = -1;
    while (mapped < 0 && now_ms() - start < 30000) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && !event.xmap.override_redirect) {
                mapped = now_ms();
                break;
            }
        }
        if (mapped >= 0 || waitpid(pid, NULL, WNOHANG) == pid)
            break;
        struct pollfd p = {ConnectionNumber(display), POLLIN, 0};
        poll(&p, 1, 20);
    }
    if (mapped < 0) {
        fprintf(stderr, "first_window : aucune fenêtre de %s\n", argv[2]);
        end(pid);
        return 1;
    }
    usleep((useconds_t)settle * 1000);
    const long rss = status_kb(pid, "VmRSS"), hwm = status_kb(pid, "VmHWM");
    printf("%.1f %ld %ld\n", mapped - start, rss, hwm);
    fflush(stdout);
    end(pid);
    XCloseDisplay(display);
    return 0;
}
