/* A clipboard owner on a Wayland session for the tests, through wlroots'
 * data-control: offers each MIME=PATH given (the file's bytes), and can
 * misbehave on purpose.
 *
 *   wayland_owner [--never-write] MIME=PATH ...   (PATH without "=")
 *
 * --never-write keeps every paste's pipe open without writing to it.
 * Prints "ready" once the selection is its own; ends when another program
 * takes the clipboard. */

#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include <wayland-client.h>

struct offer {
    const char *mime;
    char *bytes;
    size_t size;
};

static struct offer offers[32];
static int offer_count;
static int never_write;
static int cancelled;
static struct wl_seat *seat;
static struct zwlr_data_control_manager_v1 *manager;

static void global(void *data, struct wl_registry *registry, uint32_t name, const char *interface, uint32_t version)
{
    (void)data;
    (void)version;
    if (!strcmp(interface, wl_seat_interface.name) && !seat)
        seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
    else if (!strcmp(interface, zwlr_data_control_manager_v1_interface.name))
        manager = wl_registry_bind(registry, name, &zwlr_data_control_manager_v1_interface, 1);
}

static void global_remove(void *data, struct wl_registry *registry, uint32_t name)
{
    (void)data;
    (void)registry;
    (void)name;
}

static const struct wl_registry_listener registry_listener = {global, global_remove};

static void send(void *data, struct zwlr_data_control_source_v1 *source, const char *mime, int32_t fd)
{
    (void)data;
    (void)source;
    if (never_write)
        return; /* the pipe stays open, and empty */
    for (int i = 0; i < offer_count; ++i)
        if (!strcmp(offers[i].mime, mime)) {
            size_t done = 0;
            while (done < offers[i].size) {
                ssize_t n = write(fd, offers[i].bytes + done, offers[i].size - done);
                if (n <= 0)
                    break;
                done += (size_t)n;
            }
        }
    close(fd);
}

static void source_cancelled(void *data, struct zwlr_data_control_source_v1 *source)
{
    (void)data;
    (void)source;
    cancelled = 1;
}

static const struct zwlr_data_control_source_v1_listener source_listener = {send, source_cancelled};

int main(int argc, char **argv)
{
    for (int i = 1; i < argc && offer_count < 32; ++i) {
        if (!strcmp(argv[i], "--never-write")) {
            never_write = 1;
            continue;
        }
        char *equals = strrchr(argv[i], '='); /* MIME types may hold one: charset=utf-8 */
        if (!equals)
            return 2;
        *equals = 0;
        FILE *file = fopen(equals + 1, "rb");
        if (!file)
            return 2;
        struct offer *offer = &offers[offer_count++];
        offer->mime = argv[i];
        fseek(file, 0, SEEK_END);
        offer->size = (size_t)ftell(file);
        rewind(file);
        offer->bytes = malloc(offer->size + 1);
        if (fread(offer->bytes, 1, offer->size, file) != offer->size)
            return 2;
        fclose(file);
    }
    struct wl_display *display = wl_display_connect(NULL);
    if (!display)
        return 1;
    struct wl_registry *registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registry_listener, NULL);
    wl_display_roundtrip(display);
    if (!seat || !manager)
        return 1;
    struct zwlr_data_control_device_v1 *device = zwlr_data_control_manager_v1_get_data_device(manager, seat);
    struct zwlr_data_control_source_v1 *source = zwlr_data_control_manager_v1_create_data_source(manager);
    zwlr_data_control_source_v1_add_listener(source, &source_listener, NULL);
    for (int i = 0; i < offer_count; ++i)
        zwlr_data_control_source_v1_offer(source, offers[i].mime);
    zwlr_data_control_device_v1_set_selection(device, source);
    wl_display_roundtrip(display);
    printf("ready\n");
    fflush(stdout);
    while (!cancelled && wl_display_dispatch(display) >= 0) {
    }
    return 0;
}
