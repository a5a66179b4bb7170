"""The sample device library's values, as its documented formulas give them,
printed as the program prints them (general notation, 6 significant digits)."""


def g(value):
    return "%g" % value


def supply_voltage(n):
    return [100000.0, 1000000 + 2.5 * n, (1 + n % 8) / 1024, -(n % 100) - 0.5][n % 4]


def state(n):
    return [f"sample {n}", f"duty {n % 101}% done", "", "running"][n % 4]


def sample_lines(n):
    """The component lines of the block for sample n, without indentation."""
    return [
        f"Sample Counter {n} samples",
        f"Position Offset {(n % 11 - 5) * 1234567890123} nm",
        f"Status Word {0xC0DE0000 | (n & 0xFFFF)} flags",
        f"Temperature Drift {(n % 7 - 3) * 1250} mK",
        f"Pressure {g(100 + 0.125 * (n % 16))} kPa",
        f"Supply Voltage {g(supply_voltage(n))} V",
        f"State {state(n)} ",
    ]
