// The yardstick: the least an elementary program with one button costs.
// Writes "frame\n" to the descriptor in PELORN_FIRST_FRAME_FD after its first
// rendered frame, then idles until told to end.
#include <Elementary.h>
#include <stdlib.h>
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
ELM_MAIN()
