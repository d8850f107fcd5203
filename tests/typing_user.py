"""A user of the package as the type checker sees it: every public function
and method, with the types their callers get. `mypy --strict` checks this
file; running it checks the values."""

import io
import os
import tempfile
from datetime import timedelta
from typing import Any, assert_type

import quince_tarragon as qt
from quince_tarragon import ConfigTree

conf = qt.parse_string(
    'db { host = h, port = "5432", on = yes, ratio = 0.5, tags = [a, b], ports = [1, 2] }\n'
    'db.pool { size = 8 }, list = [{a = 1}], t = 10s, size = 1.5KiB, l = [yes, off]',
    overrides={"db.user": "u"}, env={})
assert_type(conf, ConfigTree)
assert_type(qt.loads("a = 1", None, includes=False, classpath=[], env={}, overrides=None), ConfigTree)
assert_type(qt.load(io.StringIO("a = 1")), ConfigTree)
assert_type(qt.load(io.BytesIO(b"a = 1"), includes=True), ConfigTree)
with tempfile.TemporaryDirectory() as folder:
    path = os.path.join(folder, "x.conf")
    with open(path, "w", encoding="utf-8") as f:
        f.write("a = 1")
    assert_type(qt.parse_file(path, "utf-8", overrides={"b": [1, 2]}), ConfigTree)

assert_type(conf.get("db.host"), Any)
assert_type(conf.has_path("db.host"), bool)
assert_type(conf.get_string("db.host"), str)
assert_type(conf.get_string("nope", None), str | None)
assert_type(conf.get_int("db.port"), int)
assert_type(conf.get_int("nope", None), int | None)
assert_type(conf.get_float("db.ratio"), float)
assert_type(conf.get_float("nope", 1.0), float)
assert_type(conf.get_bool("db.on"), bool)
assert_type(conf.get_bool("nope", None), bool | None)
assert_type(conf.get_list("db.tags"), list[Any])
assert_type(conf.get_list("nope", None), list[Any] | None)
assert_type(conf.get_config("db.pool"), ConfigTree)
assert_type(conf.get_config("nope", None), ConfigTree | None)
assert_type(conf.get_string_list("db.tags"), list[str])
assert_type(conf.get_string_list("nope", None), list[str] | None)
assert_type(conf.get_int_list("db.ports"), list[int])
assert_type(conf.get_int_list("nope", ()), list[int] | tuple[()])
assert_type(conf.get_float_list("db.ports"), list[float])
assert_type(conf.get_float_list("nope", None), list[float] | None)
assert_type(conf.get_bool_list("l"), list[bool])
assert_type(conf.get_bool_list("nope", None), list[bool] | None)
assert_type(conf.get_config_list("list"), list[ConfigTree])
assert_type(conf.get_config_list("nope", None), list[ConfigTree] | None)
assert_type(conf.get_duration("t"), timedelta)
assert_type(conf.get_duration("nope", None), timedelta | None)
assert_type(conf.get_bytes("size"), int)
assert_type(conf.get_bytes("nope", None), int | None)
assert_type(conf.with_fallback({"x": 1}), ConfigTree)
assert_type(conf.as_dict(), dict[str, Any])

assert_type(qt.dumps(conf), str)
assert_type(qt.dumps(conf, "json", indent=0), str)
assert_type(qt.dumps({"a": 1}, format="properties"), str)
assert_type(qt.__version__, str)
assert_type(qt.__backend__, str)
assert_type(qt.parse("a = 1"), dict[str, Any])

try:
    conf.get_int("db.on")
except qt.ConfigTypeError as e:
    assert_type(e.path, str)
    assert_type(e.index, int | None)
    assert (e.expected, e.found) == ("integer", "string")
try:
    conf.get_int("nope")
except qt.ConfigMissingError as e:
    assert_type(e.path, str)

assert conf.get_int("db.port") + conf.get_config("db.pool").get_int("size") == 5440
assert conf.get_int_list("nope", ()) == () and conf.get_bytes("size") == 1536
assert conf.get_duration("t") == timedelta(seconds=10) and conf.get_string("db.user") == "u"
assert conf.get_bool_list("l") == [True, False]
assert conf.with_fallback({"x": 1}).get_int("x") == 1
