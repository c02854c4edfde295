-- Where a customer in service was called to, and where a visit was served; none for the rows
-- written before desks.
ALTER TABLE queue ADD COLUMN desk text;
ALTER TABLE history ADD COLUMN desk text;
