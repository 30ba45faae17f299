-- A restore replaces every row of the records at once. Loading the rows into tables without
-- indexes and building each index once afterwards takes half as long as keeping the indexes
-- up to date row by row. The desks may not change tables, so these functions, which run with
-- the rights of the tables' owner, set the indexes aside and build them again for them,
-- inside the restore's transaction. Rows are deleted and added as ever, so a desk that reads
-- from an older snapshot still finds the old rows. Every statement here can run again:
-- medora-admin runs them when it sets up records and when it upgrades them.

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

REVOKE ALL ON FUNCTION medora_set_indexes_aside(), medora_build_indexes(),
    medora_indexes_built() FROM PUBLIC;
