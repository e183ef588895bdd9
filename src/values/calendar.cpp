// Calendar arithmetic for dates.
