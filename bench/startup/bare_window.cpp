// The yardstick: the least an elementary program with one button costs.
// Writes "frame\n" to the descriptor in PELORN_FIRST_FRAME_FD after its first
// rendered frame, then idles until told to end.
#include <Elementary.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static void RenderedCb(void* data, Evas* e, void* event)
{
    evas_event_callback_del(e, EVAS_CALLBACK_RENDER_POST, RenderedCb);
    const char* fdText = getenv("PELORN_FIRST_FRAME_FD");
    int fd = fdText ? atoi(fdText) : -1;
    if (fd > 2)
    {
        (void)!write(fd, "frame\n", 6);
        close(fd);
    }
}

EAPI_MAIN int elm_main(int argc, char** argv)
{
    elm_policy_set(ELM_POLICY_QUIT, ELM_POLICY_QUIT_LAST_WINDOW_CLOSED);
    Evas_Object* win = elm_win_util_standard_add("bare", "bare");
    elm_win_autodel_set(win, EINA_TRUE);
    Evas_Object* button = elm_button_add(win);
    elm_object_text_set(button, "Start");
    evas_object_size_hint_weight_set(button, EVAS_HINT_EXPAND, EVAS_HINT_EXPAND);
    elm_win_resize_object_add(win, button);
    evas_object_show(button);
    evas_object_resize(win, 360, 360);
    evas_event_callback_add(evas_object_evas_get(win), EVAS_CALLBACK_RENDER_POST, RenderedCb, nullptr);
    evas_object_show(win);
    elm_run();
    return 0;
}

int main(int argc, char** argv)
{
    // Answered before the toolkit starts, which would talk to D-Bus first.
    if (argc > 1 && (!strcmp(argv[1], "--help") || !strcmp(argv[1], "-h")))
    {
        puts("Usage: bench_bare_window\n\n"
             "bench_startup's yardstick: an elementary window with one button that writes\n"
             "\"frame\" to the descriptor in PELORN_FIRST_FRAME_FD after its first frame and\n"
             "idles until ended. Uses no PELORN_STATE_DIR or PELORN_RUNTIME_DIR.\n\n"
             "Example:\n  ELM_ENGINE=buffer build/bench_bare_window");
        return 0;
    }
    elm_init(argc, argv);
    const int status = elm_main(argc, argv);
    elm_shutdown();
    return status;
}
