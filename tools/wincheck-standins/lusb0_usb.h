/*
 * STAND-IN for libusb-win32's lusb0_usb.h, used only by tools/wincheck.sh to
 * syntax-check the Windows build on Linux. It is not libusb-win32: it
 * declares the libusb 0.1 API with the Windows library's signatures (note
 * the char* buffer of the writes, const char* in Linux's usb.h) and nothing
 * is ever linked against it. A Windows build uses the real header from the
 * libusb-win32 development files.
 */
#ifndef ROTAPROBE_WINCHECK_STANDIN_LUSB0_USB_H
#define ROTAPROBE_WINCHECK_STANDIN_LUSB0_USB_H

#include <stddef.h>
#include <windows.h>

/* The Windows headers define `interface` as a macro; the API uses the word. */
#ifdef interface
#undef interface
#endif

#define LIBUSB_PATH_MAX 512

#define USB_CLASS_PER_INTERFACE 0
#define USB_CLASS_HID 3
#define USB_CLASS_HUB 9
#define USB_CLASS_VENDOR_SPEC 0xff

#define USB_DT_DEVICE 0x01
#define USB_DT_CONFIG 0x02
#define USB_DT_STRING 0x03
#define USB_DT_INTERFACE 0x04
#define USB_DT_ENDPOINT 0x05

#define USB_DT_DEVICE_SIZE 18
#define USB_DT_CONFIG_SIZE 9
#define USB_DT_INTERFACE_SIZE 9
#define USB_DT_ENDPOINT_SIZE 7

#define USB_ENDPOINT_IN 0x80
#define USB_ENDPOINT_OUT 0x00
#define USB_ENDPOINT_TYPE_INTERRUPT 3

#define USB_TYPE_STANDARD (0x00 << 5)
#define USB_TYPE_CLASS (0x01 << 5)
#define USB_TYPE_VENDOR (0x02 << 5)
#define USB_RECIP_DEVICE 0x00
#define USB_RECIP_INTERFACE 0x01

#include <pshpack1.h>

struct usb_endpoint_descriptor
{
    unsigned char bLength;
    unsigned char bDescriptorType;
    unsigned char bEndpointAddress;
    unsigned char bmAttributes;
    unsigned short wMaxPacketSize;
    unsigned char bInterval;
    unsigned char bRefresh;
    unsigned char bSynchAddress;
    unsigned char* extra;
    int extralen;
};

struct usb_interface_descriptor
{
    unsigned char bLength;
    unsigned char bDescriptorType;
    unsigned char bInterfaceNumber;
    unsigned char bAlternateSetting;
    unsigned char bNumEndpoints;
    unsigned char bInterfaceClass;
    unsigned char bInterfaceSubClass;
    unsigned char bInterfaceProtocol;
    unsigned char iInterface;
    struct usb_endpoint_descriptor* endpoint;
    unsigned char* extra;
    int extralen;
};

struct usb_interface
{
    struct usb_interface_descriptor* altsetting;
    int num_altsetting;
};

struct usb_config_descriptor
{
    unsigned char bLength;
    unsigned char bDescriptorType;
    unsigned short wTotalLength;
    unsigned char bNumInterfaces;
    unsigned char bConfigurationValue;
    unsigned char iConfiguration;
    unsigned char bmAttributes;
    unsigned char MaxPower;
    struct usb_interface* interface;
    unsigned char* extra;
    int extralen;
};

struct usb_device_descriptor
{
    unsigned char bLength;
    unsigned char bDescriptorType;
    unsigned short bcdUSB;
    unsigned char bDeviceClass;
    unsigned char bDeviceSubClass;
    unsigned char bDeviceProtocol;
    unsigned char bMaxPacketSize0;
    unsigned short idVendor;
    unsigned short idProduct;
    unsigned short bcdDevice;
    unsigned char iManufacturer;
    unsigned char iProduct;
    unsigned char iSerialNumber;
    unsigned char bNumConfigurations;
};

#include <poppack.h>

struct usb_bus;

struct usb_device
{
    struct usb_device *next, *prev;
    char filename[LIBUSB_PATH_MAX];
    struct usb_bus* bus;
    struct usb_device_descriptor descriptor;
    struct usb_config_descriptor* config;
    void* dev;
    unsigned char devnum;
    unsigned char num_children;
    struct usb_device** children;
};

struct usb_bus
{
    struct usb_bus *next, *prev;
    char dirname[LIBUSB_PATH_MAX];
    struct usb_device* devices;
    unsigned long location;
    struct usb_device* root_dev;
};

struct usb_dev_handle;
typedef struct usb_dev_handle usb_dev_handle;

#ifdef __cplusplus
extern "C" {
#endif

extern struct usb_bus* usb_busses;

usb_dev_handle* usb_open(struct usb_device* dev);
int usb_close(usb_dev_handle* dev);
int usb_get_string(usb_dev_handle* dev, int index, int langid, char* buf, size_t buflen);
int usb_get_string_simple(usb_dev_handle* dev, int index, char* buf, size_t buflen);
int usb_get_descriptor(usb_dev_handle* udev, unsigned char type, unsigned char index, void* buf,
                       int size);

int usb_bulk_write(usb_dev_handle* dev, int ep, char* bytes, int size, int timeout);
int usb_bulk_read(usb_dev_handle* dev, int ep, char* bytes, int size, int timeout);
int usb_interrupt_write(usb_dev_handle* dev, int ep, char* bytes, int size, int timeout);
int usb_interrupt_read(usb_dev_handle* dev, int ep, char* bytes, int size, int timeout);
int usb_control_msg(usb_dev_handle* dev, int requesttype, int request, int value, int index,
                    char* bytes, int size, int timeout);

int usb_set_configuration(usb_dev_handle* dev, int configuration);
int usb_claim_interface(usb_dev_handle* dev, int interface);
int usb_release_interface(usb_dev_handle* dev, int interface);
int usb_set_altinterface(usb_dev_handle* dev, int alternate);
int usb_resetep(usb_dev_handle* dev, unsigned int ep);
int usb_clear_halt(usb_dev_handle* dev, unsigned int ep);
int usb_reset(usb_dev_handle* dev);

char* usb_strerror(void);

void usb_init(void);
void usb_set_debug(int level);
int usb_find_busses(void);
int usb_find_devices(void);
struct usb_device* usb_device(usb_dev_handle* dev);
struct usb_bus* usb_get_busses(void);

#ifdef __cplusplus
}
#endif

#endif
