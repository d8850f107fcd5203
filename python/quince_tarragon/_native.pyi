from typing import Any

__backend__: str

def parse(s: str, base: str | None = None) -> dict[str, Any]: ...
