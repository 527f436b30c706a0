'''A small GeoClue2 for ./scripts/run's mocked location and for the tests:
python3 -m dbusmock --template <this file>.

One client per mock, at CLIENT_PATH, that GetClient hands to every caller.
The test moves the watch with the mock interface's SetLocation(lat, lon,
accuracy): a new Location object appears and, while the client is started,
LocationUpdated(old, new) goes out, as the real service does. Start with a
location already known announces it at once.
'''

import time

import dbus
from dbusmock import MOCK_IFACE, mockobject

BUS_NAME = 'org.freedesktop.GeoClue2'
MAIN_OBJ = '/org/freedesktop/GeoClue2/Manager'
MAIN_IFACE = 'org.freedesktop.GeoClue2.Manager'
SYSTEM_BUS = True

CLIENT_PATH = '/org/freedesktop/GeoClue2/Client/1'
CLIENT_IFACE = 'org.freedesktop.GeoClue2.Client'
LOCATION_IFACE = 'org.freedesktop.GeoClue2.Location'


def _client():
    return mockobject.get_object(CLIENT_PATH)


def _announce(client, old, new):
    client.EmitSignal(CLIENT_IFACE, 'LocationUpdated', 'oo', [dbus.ObjectPath(old), dbus.ObjectPath(new)])


def _start(client):
    props = client.props[CLIENT_IFACE]
    props['Active'] = dbus.Boolean(True)
    if props['Location'] != '/':
        _announce(client, '/', props['Location'])


def _stop(client):
    client.props[CLIENT_IFACE]['Active'] = dbus.Boolean(False)


def load(mock, parameters=None):
    mock.AddProperties(MAIN_IFACE, {
        'InUse': dbus.Boolean(False),
        'AvailableAccuracyLevel': dbus.UInt32(8),
    })
    mock.locations_made = 0
    mock.AddObject(CLIENT_PATH, CLIENT_IFACE, {
        'Location': dbus.ObjectPath('/'),
        'DistanceThreshold': dbus.UInt32(0),
        'TimeThreshold': dbus.UInt32(0),
        'DesktopId': dbus.String(''),
        'RequestedAccuracyLevel': dbus.UInt32(0),
        'Active': dbus.Boolean(False),
    }, [])
    client = _client()
    client.AddMethod(CLIENT_IFACE, 'Start', '', '', _start)
    client.AddMethod(CLIENT_IFACE, 'Stop', '', '', _stop)


@dbus.service.method(MAIN_IFACE, in_signature='', out_signature='o')
def GetClient(self):
    return dbus.ObjectPath(CLIENT_PATH)


@dbus.service.method(MOCK_IFACE, in_signature='ddd', out_signature='')
def SetLocation(self, latitude, longitude, accuracy):
    self.locations_made += 1
    path = f'{CLIENT_PATH}/Location/{self.locations_made}'
    now = time.time()
    self.AddObject(path, LOCATION_IFACE, {
        'Latitude': dbus.Double(latitude),
        'Longitude': dbus.Double(longitude),
        'Accuracy': dbus.Double(accuracy),
        'Timestamp': dbus.Struct((dbus.UInt64(int(now)), dbus.UInt64(int(now * 1e6) % 1000000)), signature='tt'),
    }, [])
    client = _client()
    props = client.props[CLIENT_IFACE]
    old = props['Location']
    props['Location'] = dbus.ObjectPath(path)
    if props['Active']:
        _announce(client, old, path)
