"""The texts of mailto's own message boxes, the same on both builds."""

NO_ADDRESS = b"Error - No e-mail address defined"
