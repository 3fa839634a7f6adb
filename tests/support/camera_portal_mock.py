'''The desktop's camera portal for python3-dbusmock: AccessCamera answers through a Request
object's Response signal, OpenPipeWireRemote hands over a connection to a PipeWire socket.

Parameters (JSON, -p):
  "response": what Response says (0 granted, 1 refused by the user, 2 ended otherwise); 0 if absent
  "remote": the PipeWire socket OpenPipeWireRemote connects to
'''

import socket

import dbus
import dbusmock
from gi.repository import GLib

BUS_NAME = 'org.freedesktop.portal.Desktop'
MAIN_OBJ = '/org/freedesktop/portal/desktop'
MAIN_IFACE = 'org.freedesktop.portal.Camera'
SYSTEM_BUS = False

REQUEST_IFACE = 'org.freedesktop.portal.Request'


def load(mock, parameters=None):
    parameters = parameters or {}
    mock.response = int(parameters.get('response', 0))
    mock.remote = parameters.get('remote', '')
    mock.granted = False
    mock.AddProperties(MAIN_IFACE, {'IsCameraPresent': dbus.Boolean(True), 'version': dbus.UInt32(1)})


@dbus.service.method(MAIN_IFACE, in_signature='a{sv}', out_signature='o', sender_keyword='sender')
def AccessCamera(self, options, sender):
    token = str(options.get('handle_token', 'request'))
    path = '%s/request/%s/%s' % (MAIN_OBJ, sender[1:].replace('.', '_'), token)
    self.AddObject(path, REQUEST_IFACE, {}, [])
    request = dbusmock.get_object(path)

    def respond():
        self.granted = self.response == 0
        request.EmitSignal(REQUEST_IFACE, 'Response', 'ua{sv}', [dbus.UInt32(self.response), {}])
        return False

    # After the reply, as the real portal answers once the user has.
    GLib.timeout_add(50, respond)
    return dbus.ObjectPath(path)


@dbus.service.method(MAIN_IFACE, in_signature='a{sv}', out_signature='h')
def OpenPipeWireRemote(self, options):
    if not self.granted:
        raise dbus.exceptions.DBusException('no access to the camera',
                                            name='org.freedesktop.portal.Error.NotAllowed')
    with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as s:
        s.connect(self.remote)
        return dbus.types.UnixFd(s.fileno())
