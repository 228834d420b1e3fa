/* The least Wayland server that holds a clipboard: a seat and both
 * data-control managers, ext_data_control_manager_v1 and wlroots'
 * zwlr_data_control_manager_v1, sharing the one selection. No compositor of
 * Debian 12 offers the ext protocol; this lets the tests drive Quillory's
 * ext path while wl-clipboard copies and pastes through the wlr one.
 *
 *   data_control_server SOCKET-NAME     (in $XDG_RUNTIME_DIR)
 *
 * Prints "ready" once clients can connect, then "ext device" or "wlr device"
 * as each client asks for a data device. */

#include "ext-data-control-v1-server-protocol.h"
#include "wlr-data-control-unstable-v1-server-protocol.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include <wayland-server.h>

enum { DEVICE_DATA_OFFER, DEVICE_SELECTION };
enum { OFFER_OFFER };
enum { SOURCE_SEND, SOURCE_CANCELLED };

/* Each protocol's interfaces; a resource's family picks its offers'. */
struct family {
    const struct wl_interface *device, *source, *offer;
    const void *device_impl, *source_impl, *offer_impl;
};

struct source {
    struct wl_resource *resource;
    char *mimes[64];
    int count;
};

static struct wl_list devices; /* of the device resources' links */
static struct source *selection;
static const struct family ext_family, wlr_family;

static void destroy_resource(struct wl_client *client, struct wl_resource *resource)
{
    (void)client;
    wl_resource_destroy(resource);
}

static void offer_receive(struct wl_client *client, struct wl_resource *offer, const char *mime, int32_t fd)
{
    (void)client;
    struct source *source = wl_resource_get_user_data(offer);
    if (source && source == selection)
        wl_resource_post_event(source->resource, SOURCE_SEND, mime, fd);
    close(fd);
}

static const struct ext_data_control_offer_v1_interface ext_offer_impl = {offer_receive, destroy_resource};
static const struct zwlr_data_control_offer_v1_interface wlr_offer_impl = {offer_receive, destroy_resource};

static void send_selection(struct wl_resource *device)
{
    const struct family *family = wl_resource_get_user_data(device);
    if (!selection) {
        wl_resource_post_event(device, DEVICE_SELECTION, NULL);
        return;
    }
    struct wl_resource *offer = wl_resource_create(wl_resource_get_client(device), family->offer,
                                                   wl_resource_get_version(device), 0);
    wl_resource_set_implementation(offer, family->offer_impl, selection, NULL);
    wl_resource_post_event(device, DEVICE_DATA_OFFER, offer);
    for (int i = 0; i < selection->count; ++i)
        wl_resource_post_event(offer, OFFER_OFFER, selection->mimes[i]);
    wl_resource_post_event(device, DEVICE_SELECTION, offer);
}

static void broadcast(void)
{
    struct wl_resource *device;
    wl_resource_for_each(device, &devices) send_selection(device);
}

static void set_selection(struct wl_client *client, struct wl_resource *device, struct wl_resource *source_resource)
{
    (void)client;
    (void)device;
    struct source *source = source_resource ? wl_resource_get_user_data(source_resource) : NULL;
    if (selection && selection != source)
        wl_resource_post_event(selection->resource, SOURCE_CANCELLED);
    selection = source;
    broadcast();
}

static void set_primary_selection(struct wl_client *client, struct wl_resource *device, struct wl_resource *source)
{
    (void)client;
    (void)device;
    (void)source; /* no primary selection here */
}

static const struct ext_data_control_device_v1_interface ext_device_impl = {set_selection, destroy_resource,
                                                                           set_primary_selection};
static const struct zwlr_data_control_device_v1_interface wlr_device_impl = {set_selection, destroy_resource,
                                                                            set_primary_selection};

static void source_offer(struct wl_client *client, struct wl_resource *resource, const char *mime)
{
    (void)client;
    struct source *source = wl_resource_get_user_data(resource);
    if (source->count < 64)
        source->mimes[source->count++] = strdup(mime);
}

static const struct ext_data_control_source_v1_interface ext_source_impl = {source_offer, destroy_resource};
static const struct zwlr_data_control_source_v1_interface wlr_source_impl = {source_offer, destroy_resource};

static void source_destroyed(struct wl_resource *resource)
{
    struct source *source = wl_resource_get_user_data(resource);
    for (int i = 0; i < source->count; ++i)
        free(source->mimes[i]);
    if (selection == source) {
        selection = NULL;
        broadcast();
    }
    free(source);
}

static void device_destroyed(struct wl_resource *resource)
{
    wl_list_remove(wl_resource_get_link(resource));
}

static void create_source(struct wl_client *client, struct wl_resource *manager, uint32_t id)
{
    const struct family *family = wl_resource_get_user_data(manager);
    struct source *source = calloc(1, sizeof *source);
    source->resource = wl_resource_create(client, family->source, wl_resource_get_version(manager), id);
    wl_resource_set_implementation(source->resource, family->source_impl, source, source_destroyed);
}

static void get_device(struct wl_client *client, struct wl_resource *manager, uint32_t id, struct wl_resource *seat)
{
    (void)seat;
    const struct family *family = wl_resource_get_user_data(manager);
    struct wl_resource *device = wl_resource_create(client, family->device, wl_resource_get_version(manager), id);
    wl_resource_set_implementation(device, family->device_impl, (void *)family, device_destroyed);
    wl_list_insert(&devices, wl_resource_get_link(device));
    printf("%s device\n", family == &ext_family ? "ext" : "wlr"); /* which protocol each client chose */
    fflush(stdout);
    send_selection(device);
}

static const struct ext_data_control_manager_v1_interface ext_manager_impl = {create_source, get_device,
                                                                             destroy_resource};
static const struct zwlr_data_control_manager_v1_interface wlr_manager_impl = {create_source, get_device,
                                                                              destroy_resource};

static const struct family ext_family = {&ext_data_control_device_v1_interface, &ext_data_control_source_v1_interface,
                                         &ext_data_control_offer_v1_interface,  &ext_device_impl,
                                         &ext_source_impl,                      &ext_offer_impl};
static const struct family wlr_family = {&zwlr_data_control_device_v1_interface,
                                         &zwlr_data_control_source_v1_interface,
                                         &zwlr_data_control_offer_v1_interface,
                                         &wlr_device_impl,
                                         &wlr_source_impl,
                                         &wlr_offer_impl};

static void bind_ext(struct wl_client *client, void *data, uint32_t version, uint32_t id)
{
    (void)data;
    struct wl_resource *r = wl_resource_create(client, &ext_data_control_manager_v1_interface, version, id);
    wl_resource_set_implementation(r, &ext_manager_impl, (void *)&ext_family, NULL);
}

static void bind_wlr(struct wl_client *client, void *data, uint32_t version, uint32_t id)
{
    (void)data;
    struct wl_resource *r = wl_resource_create(client, &zwlr_data_control_manager_v1_interface, version, id);
    wl_resource_set_implementation(r, &wlr_manager_impl, (void *)&wlr_family, NULL);
}

static void seat_get_device(struct wl_client *client, struct wl_resource *seat, uint32_t id)
{
    (void)client;
    (void)id;
    wl_resource_post_error(seat, WL_DISPLAY_ERROR_INVALID_METHOD, "this seat has no input devices");
}

static const struct wl_seat_interface seat_impl = {seat_get_device, seat_get_device, seat_get_device, NULL};

static void bind_seat(struct wl_client *client, void *data, uint32_t version, uint32_t id)
{
    (void)data;
    struct wl_resource *r = wl_resource_create(client, &wl_seat_interface, version, id);
    wl_resource_set_implementation(r, &seat_impl, NULL, NULL);
    wl_seat_send_capabilities(r, 0);
    if (version >= 2)
        wl_seat_send_name(r, "seat0");
}

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    wl_list_init(&devices);
    struct wl_display *display = wl_display_create();
    if (wl_display_add_socket(display, argv[1]) != 0)
        return 1;
    wl_global_create(display, &wl_seat_interface, 2, NULL, bind_seat);
    wl_global_create(display, &ext_data_control_manager_v1_interface, 1, NULL, bind_ext);
    wl_global_create(display, &zwlr_data_control_manager_v1_interface, 2, NULL, bind_wlr);
    printf("ready\n");
    fflush(stdout);
    wl_display_run(display);
    return 0;
}
