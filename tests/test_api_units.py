"""Durations and sizes in bytes: a number and an optional unit."""

from datetime import timedelta

import pytest

from quince_tarragon import ConfigTree, ConfigTypeError

from conftest import Fails, assert_outcome

TYPE = ConfigTypeError

DURATION_UNITS = [
    ("ns nano nanos nanosecond nanoseconds", "3000", timedelta(microseconds=3)),
    ("us micro micros microsecond microseconds", "3", timedelta(microseconds=3)),
    ("ms milli millis millisecond milliseconds", "3", timedelta(milliseconds=3)),
    ("s second seconds", "3", timedelta(seconds=3)),
    ("m minute minutes", "3", timedelta(minutes=3)),
    ("h hour hours", "3", timedelta(hours=3)),
    ("d day days", "3", timedelta(days=3)),
]

SIZE_UNITS = [
    ("B b byte bytes", 1),
    ("kB kilobyte kilobytes", 10**3),
    ("MB megabyte megabytes", 10**6),
    ("GB gigabyte gigabytes", 10**9),
    ("TB terabyte terabytes", 10**12),
    ("PB petabyte petabytes", 10**15),
    ("EB exabyte exabytes", 10**18),
    ("ZB zettabyte zettabytes", 10**21),
    ("YB yottabyte yottabytes", 10**24),
    ("K k Ki KiB kibibyte kibibytes", 2**10),
    ("M m Mi MiB mebibyte mebibytes", 2**20),
    ("G g Gi GiB gibibyte gibibytes", 2**30),
    ("T t Ti TiB tebibyte tebibytes", 2**40),
    ("P p Pi PiB pebibyte pebibytes", 2**50),
    ("E e Ei EiB exbibyte exbibytes", 2**60),
    ("Z z Zi ZiB zebibyte zebibytes", 2**70),
    ("Y y Yi YiB yobibyte yobibytes", 2**80),
]


def value_of(getter, value):
    return lambda: getattr(ConfigTree(v=value), getter)("v")


@pytest.mark.parametrize("names, amount, expected", DURATION_UNITS)
def test_every_duration_unit(names, amount, expected):
    for name in names.split():
        for text in (f"{amount}{name}", f" {amount} {name} ", f"\t{amount}\u00a0{name}"):
            assert_outcome(value_of("get_duration", text), expected)
        # units are lowercase only
        assert_outcome(value_of("get_duration", f"{amount} {name.upper()}"),
                       Fails(TYPE, f"unknown unit '{name.upper()}'"))


@pytest.mark.parametrize("value, expected", [
    (1500, timedelta(seconds=1.5)),               # a number alone is milliseconds
    (2.5, timedelta(microseconds=2500)),
    ("1500", timedelta(seconds=1.5)),
    ("1.5h", timedelta(minutes=90)),
    ("0.25 s", timedelta(milliseconds=250)),
    ("-5s", timedelta(seconds=-5)),
    ("1500ns", timedelta(microseconds=2)),        # nanoseconds round to the even microsecond
    ("2500ns", timedelta(microseconds=2)),
    ("2501ns", timedelta(microseconds=3)),
    ("0.1 ms", timedelta(microseconds=100)),
    ("5 sec", Fails(TYPE, "'v': expected duration, found string '5 sec' (unknown unit 'sec')")),
    ("5 s s", Fails(TYPE, "'5 s s'")),
    ("s", Fails(TYPE, "found string 's'")),
    ("", Fails(TYPE, "found string ''")),
    ("1e3s", Fails(TYPE, "'1e3s'")),
    ("5.s", Fails(TYPE, "'5.s'")),
    ("99999999999 d", Fails(TYPE, "out of range")),
    (10**30, Fails(TYPE, "out of range")),
    (float("inf"), Fails(TYPE, "found number inf")),
    (True, Fails(TYPE, "expected duration, found boolean")),
    ([1], Fails(TYPE, "found list")),
])
def test_durations(value, expected):
    assert_outcome(value_of("get_duration", value), expected)


@pytest.mark.parametrize("names, factor", SIZE_UNITS)
def test_every_size_unit(names, factor):
    for name in names.split():
        assert_outcome(value_of("get_bytes", f"3{name}"), 3 * factor)
        assert_outcome(value_of("get_bytes", f" 1.5 {name} "), 3 * factor // 2)


@pytest.mark.parametrize("value, expected", [
    (1024, 1024),
    (2.9, 2),                                  # truncated, as fractions of units are
    ("512", 512),
    ("0.5B", 0),
    (" 10 MB ", 10**7),
    ("1.5GiB", 1610612736),
    ("4.35 kB", 4350),                          # exact: 4.35 * 1000 in floats is 4349.99...
    ("1." + "0" * 23 + "1 YiB", 2**80 + 1),
    ("5 KB", Fails(TYPE, "'v': expected size in bytes, found string '5 KB' (unknown unit 'KB')")),
    ("5 mb", Fails(TYPE, "unknown unit 'mb'")),
    ("5 Kib", Fails(TYPE, "unknown unit 'Kib'")),
    ("10 bits", Fails(TYPE, "unknown unit 'bits'")),
    ("-1 kB", Fails(TYPE, "a size cannot be negative")),
    (-5, Fails(TYPE, "a size cannot be negative")),
    ("1e3", Fails(TYPE, "'1e3'")),
    ("", Fails(TYPE, "found string ''")),
    (False, Fails(TYPE, "found boolean")),
    ({"a": 1}, Fails(TYPE, "found object")),
])
def test_sizes(value, expected):
    assert_outcome(value_of("get_bytes", value), expected)
