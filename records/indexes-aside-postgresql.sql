-- A restore replaces every row of the records at once. Loading the rows into tables without
-- indexes and building each index once afterwards takes half as long as keeping the indexes
-- up to date row by row. The desks may not change tables, so these functions, which run with
-- the rights of the tables' owner, set the indexes aside and build them again for them,
-- inside the restore's transaction. Rows are deleted and added as ever, so a desk that reads
-- from an older snapshot still finds the old rows. Every statement here can run again:
-- medora-admin runs them when it sets up records and when it upgrades them.
--
-- Indexes set aside hold the tables against every other desk, so they are set aside only in
-- a transaction the server ends, undoing it, when its desk leaves it waiting for a minute.

-- What was set aside, to be built again; no desk may read or write it. Only the indexes of
-- the tables a restore replaces are set aside.
CREATE TABLE IF NOT EXISTS medora_indexes_aside (
    definition text NOT NULL
);

CREATE OR REPLACE FUNCTION medora_set_indexes_aside() RETURNS void
LANGUAGE plpgsql SECURITY DEFINER SET search_path FROM CURRENT AS $$
DECLARE
    found record;
BEGIN
    IF NOT (SELECT setting::bigint BETWEEN 1 AND 60000 FROM pg_settings
            WHERE name = 'idle_in_transaction_session_timeout') THEN
        RAISE EXCEPTION 'indexes are set aside only in a transaction that may wait on its desk'
            ' for a minute at most (idle_in_transaction_session_timeout)';
    END IF;
    FOR found IN
        SELECT i.indexrelid::regclass AS index_name, t.relname AS table_name,
               c.conname AS constraint_name, pg_get_indexdef(i.indexrelid) AS index_definition,
               pg_get_constraintdef(c.oid) AS constraint_definition
        FROM pg_index i
        JOIN pg_class t ON t.oid = i.indrelid
        LEFT JOIN pg_constraint c ON c.conindid = i.indexrelid AND c.conrelid = i.indrelid
        WHERE t.relnamespace = current_schema()::regnamespace
          AND t.relname IN ('patient_info', 'complaints', 'history_entries',
                            'patient_medications', 'meds_list', 'tests', 'tests_list',
                            'clinic_info', 'search_words')
        ORDER BY t.relname, i.indexrelid
    LOOP
        IF found.constraint_name IS NULL THEN
            INSERT INTO medora_indexes_aside VALUES (found.index_definition);
            EXECUTE format('DROP INDEX %s', found.index_name);
        ELSE
            INSERT INTO medora_indexes_aside VALUES (format('ALTER TABLE %I ADD CONSTRAINT %I %s',
                found.table_name, found.constraint_name, found.constraint_definition));
            EXECUTE format('ALTER TABLE %I DROP CONSTRAINT %I', found.table_name,
                           found.constraint_name);
        END IF;
    END LOOP;
END
$$;

CREATE OR REPLACE FUNCTION medora_build_indexes() RETURNS void
LANGUAGE plpgsql SECURITY DEFINER SET search_path FROM CURRENT AS $$
DECLARE
    statement text;
BEGIN
    FOR statement IN DELETE FROM medora_indexes_aside RETURNING definition LOOP
        EXECUTE statement;
    END LOOP;
END
$$;

-- Indexes set aside are never committed so: a transaction that has not built them again
-- fails as it commits, and is undone whole.
CREATE OR REPLACE FUNCTION medora_indexes_built() RETURNS trigger
LANGUAGE plpgsql SECURITY DEFINER SET search_path FROM CURRENT AS $$
BEGIN
    IF EXISTS (SELECT FROM medora_indexes_aside) THEN
        RAISE EXCEPTION 'the indexes set aside for a restore were not built again';
    END IF;
    RETURN NULL;
END
$$;

DROP TRIGGER IF EXISTS medora_indexes_built ON medora_indexes_aside;
CREATE CONSTRAINT TRIGGER medora_indexes_built AFTER INSERT ON medora_indexes_aside
    DEFERRABLE INITIALLY DEFERRED FOR EACH ROW EXECUTE FUNCTION medora_indexes_built();

-- A restore moves the key sequences past the keys it brings back. The desks may not set a
-- sequence themselves: through this function they move one of Medora's key sequences only
-- forward, never back to keys given before, and never past the keys its column can hold.
CREATE OR REPLACE FUNCTION medora_move_keys_forward(key_sequence regclass, last_key bigint)
RETURNS void
LANGUAGE plpgsql SECURITY DEFINER SET search_path FROM CURRENT AS $$
DECLARE
    given bigint;
    highest bigint;
BEGIN
    IF NOT EXISTS (
        SELECT FROM pg_depend d JOIN pg_class t ON t.oid = d.refobjid
        WHERE d.classid = 'pg_class'::regclass AND d.objid = key_sequence
          AND d.refclassid = 'pg_class'::regclass AND d.deptype IN ('a', 'i')
          AND t.relnamespace = current_schema()::regnamespace
          AND t.relname IN ('patient_info', 'complaints', 'history_entries',
                            'patient_medications', 'meds_list', 'tests', 'tests_list')) THEN
        RAISE EXCEPTION '% is not a key sequence of Medora''s records', key_sequence;
    END IF;
    SELECT seqmax INTO highest FROM pg_sequence WHERE seqrelid = key_sequence;
    IF last_key IS NULL OR last_key < 1 OR last_key > highest THEN
        RAISE EXCEPTION 'the key % is beyond what % can give', last_key, key_sequence;
    END IF;
    given := coalesce(pg_sequence_last_value(key_sequence), 0);
    IF last_key < given THEN
        RAISE EXCEPTION 'the key sequence % moves only forward, past %', key_sequence, given;
    END IF;
    IF last_key > given THEN
        PERFORM setval(key_sequence, last_key);
    END IF;
END
$$;

REVOKE ALL ON FUNCTION medora_set_indexes_aside(), medora_build_indexes(),
    medora_indexes_built(), medora_move_keys_forward(regclass, bigint) FROM PUBLIC;
