-- Every visit's own key, made at check-in and kept into its history row; none for the rows
-- written before keys.
ALTER TABLE queue ADD COLUMN visitKey text;
ALTER TABLE history ADD COLUMN visitKey text;
CREATE UNIQUE INDEX history_visitKey ON history (visitKey);
