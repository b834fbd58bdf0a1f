"""Checks that hold also under python3 -O (plain asserts would vanish)."""


def require(condition, message):
    if not condition:
        raise AssertionError(message)


def expect_equal(actual, expected, what):
    require(actual == expected, f"{what}: expected {expected!r}, got {actual!r}")
