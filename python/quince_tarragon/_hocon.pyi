from collections.abc import Mapping
from typing import Any

def parse(text: str, origin: str | None, base: bytes | None, syntax: int, includes: bool | bytes,
          classpath: tuple[bytes, ...], env: Mapping[str, str] | None, tree: type | None,
          overrides: Mapping[str, Any] | None) -> Any: ...
def split_path(text: str) -> tuple[str, ...]: ...
