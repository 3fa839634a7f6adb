'''A GeoClue2 stand-in for python3-dbusmock: one manager that hands out clients; each started
client reports the location the test sets.

Parameters (JSON, -p): {"deny": true} makes every client's Start fail with AccessDenied.
Test control, on the manager's org.freedesktop.DBus.Mock interface:
  SetLocation(a{sv} properties): a new Location object with exactly these properties (a
      two-number array as Timestamp becomes GeoClue's (tt) seconds and microseconds); every
      started client points its Location at it and emits LocationUpdated(old, new).
  SetDeny(b): the answer of later Start calls.
  GetStartedClients() -> u: how many clients run now.
'''

import dbus
from dbusmock import MOCK_IFACE

BUS_NAME = 'org.freedesktop.GeoClue2'
MAIN_OBJ = '/org/freedesktop/GeoClue2/Manager'
MAIN_IFACE = 'org.freedesktop.GeoClue2.Manager'
SYSTEM_BUS = True

CLIENT_IFACE = 'org.freedesktop.GeoClue2.Client'
LOCATION_IFACE = 'org.freedesktop.GeoClue2.Location'
NO_LOCATION = dbus.ObjectPath('/')


def load(mock, parameters=None):
    parameters = parameters or {}
    mock.deny = bool(parameters.get('deny', False))
    mock.client_count = 0
    mock.fix_count = 0
    mock.current_fix = NO_LOCATION
    mock.started = set()
    mock.AddProperties(MAIN_IFACE, {'InUse': dbus.Boolean(False), 'AvailableAccuracyLevel': dbus.UInt32(8)})


def _client_start(manager, client):
    if manager.deny:
        raise dbus.exceptions.DBusException('the agent refused', name='org.freedesktop.DBus.Error.AccessDenied')
    manager.started.add(client.path)
    client.UpdateProperties(CLIENT_IFACE, {'Active': dbus.Boolean(True)})
    if manager.current_fix != NO_LOCATION:
        _report(client, manager.current_fix)


def _client_stop(manager, client):
    manager.started.discard(client.path)
    client.UpdateProperties(CLIENT_IFACE, {'Active': dbus.Boolean(False)})


def _report(client, fix):
    props = client.props[CLIENT_IFACE]
    old = props['Location']
    props['Location'] = dbus.ObjectPath(fix)  # UpdateProperties cannot wrap an object path
    client.EmitSignal(CLIENT_IFACE, 'LocationUpdated', 'oo', [old, fix])


@dbus.service.method(MAIN_IFACE, in_signature='', out_signature='o')
def GetClient(self):
    self.client_count += 1
    path = '/org/freedesktop/GeoClue2/Client/%d' % self.client_count
    self.AddObject(path, CLIENT_IFACE, {
        'Location': NO_LOCATION,
        'DistanceThreshold': dbus.UInt32(0),
        'TimeThreshold': dbus.UInt32(0),
        'DesktopId': dbus.String(''),
        'RequestedAccuracyLevel': dbus.UInt32(0),
        'Active': dbus.Boolean(False),
    }, [])
    from dbusmock.mockobject import objects
    client = objects[path]
    manager = self
    client.AddMethod(CLIENT_IFACE, 'Start', '', '', lambda c: _client_start(manager, c))
    client.AddMethod(CLIENT_IFACE, 'Stop', '', '', lambda c: _client_stop(manager, c))
    return dbus.ObjectPath(path)


@dbus.service.method(MAIN_IFACE, in_signature='', out_signature='o')
def CreateClient(self):
    return GetClient(self)


@dbus.service.method(MOCK_IFACE, in_signature='a{sv}', out_signature='')
def SetLocation(self, properties):
    from dbusmock.mockobject import objects
    self.fix_count += 1
    path = dbus.ObjectPath('/org/freedesktop/GeoClue2/Location/%d' % self.fix_count)
    properties = dict(properties)
    stamp = properties.get('Timestamp')
    if isinstance(stamp, (list, tuple)) and len(stamp) == 2:
        properties['Timestamp'] = dbus.Struct((dbus.UInt64(stamp[0]), dbus.UInt64(stamp[1])), signature='tt')
    self.AddObject(path, LOCATION_IFACE, properties, [])
    self.current_fix = path
    for client_path in sorted(self.started):
        _report(objects[client_path], path)


@dbus.service.method(MOCK_IFACE, in_signature='b', out_signature='')
def SetDeny(self, deny):
    self.deny = bool(deny)


@dbus.service.method(MOCK_IFACE, in_signature='', out_signature='u')
def GetStartedClients(self):
    return dbus.UInt32(len(self.started))
